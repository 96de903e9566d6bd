#include "platform/qt/ReviewWindow.h"

#include "texts/Texts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

namespace tarvenko {

namespace {

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

// One bar a move: above the axis where 先手 wins, below where 後手 wins, taller the nearer
// the row; a dot on the axis where the value is unknown. 先手's bars are dark and 後手's
// light, as their pieces are; the position on the board has a band behind its bar.
class ReviewGraph : public QWidget {
  public:
    explicit ReviewGraph(std::function<void(int)> goTo) : goTo_(std::move(goTo)) {
        setMinimumHeight(150);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    void set(const ReviewView& v) {
        bars_.clear();
        marks_.clear();
        for (int k = 0; k < v.count; ++k) {
            bars_.push_back(v.rows[k].bar);
            marks_.push_back(v.rows[k].weight);
        }
        shown_ = v.shown;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(rect(), QColor(250, 247, 240));
        const QRect area = plot();
        const int n = static_cast<int>(bars_.size());
        const qreal step = n > 0 ? static_cast<qreal>(area.width()) / n : 0;
        const qreal axis = area.center().y() + 0.5;
        const qreal half = area.height() / 2.0;
        if (shown_ >= 1 && shown_ <= n) {
            p.fillRect(QRectF(area.left() + step * (shown_ - 1), area.top(), step, area.height()),
                       QColor(255, 225, 140));
        }
        p.setPen(QColor(120, 120, 120));
        p.drawLine(QPointF(area.left(), axis), QPointF(area.right(), axis));
        p.setFont(font());
        p.setPen(QColor(60, 60, 60));
        p.drawText(QRect(4, area.top(), area.left() - 8, 20), Qt::AlignRight | Qt::AlignTop,
                   QCoreApplication::translate("ReviewWindow", "先手"));
        p.drawText(QRect(4, area.bottom() - 20, area.left() - 8, 20),
                   Qt::AlignRight | Qt::AlignBottom,
                   QCoreApplication::translate("ReviewWindow", "後手"));
        for (int k = 0; k < n; ++k) {
            const qreal x = area.left() + step * k + std::max<qreal>(1, step * 0.15);
            const qreal w = std::max<qreal>(2, step * 0.7);
            const qreal h = std::clamp(bars_[k], -1.0f, 1.0f) * half;
            if (h == 0) {
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(150, 150, 150));
                p.drawRect(QRectF(x, axis - 1, w, 2));
                continue;
            }
            const bool sente = h > 0;
            p.setPen(QColor(40, 40, 40));
            p.setBrush(sente ? QColor(40, 40, 40) : QColor(255, 255, 255));
            p.drawRect(QRectF(x, sente ? axis - h : axis, w, std::abs(h)));
            if (marks_[k] > 0) {
                // A marked move: a small triangle pointing at its bar from the edge, filled
                // for 敗着, hollow for 疑問手.
                const QColor c(190, 40, 0);
                p.setPen(QPen(c, 1.5));
                p.setBrush(marks_[k] == 2 ? QBrush(c) : QBrush(Qt::NoBrush));
                const qreal cx = x + w / 2, y = sente ? area.top() - 2 : area.bottom() + 2;
                const qreal d = sente ? 6 : -6;
                const QPointF t[3] = {{cx - 4, y - d}, {cx + 4, y - d}, {cx, y}};
                p.setRenderHint(QPainter::Antialiasing, true);
                p.drawPolygon(t, 3);
                p.setRenderHint(QPainter::Antialiasing, false);
            }
        }
    }

    void mousePressEvent(QMouseEvent* e) override {
        const QRect area = plot();
        const int n = static_cast<int>(bars_.size());
        if (n == 0 || e->position().x() < area.left() || e->position().x() > area.right()) return;
        const int k = static_cast<int>((e->position().x() - area.left()) * n / area.width()) + 1;
        goTo_(std::clamp(k, 1, n));
    }

  private:
    QRect plot() const { return rect().adjusted(44, 10, -8, -10); }

    std::function<void(int)> goTo_;
    std::vector<float> bars_;
    std::vector<int> marks_;
    int shown_ = 0;
};

ReviewWindow::ReviewWindow(QWidget* parent, std::function<void(int)> goTo,
                           std::function<void()> closed)
    : QWidget(parent, Qt::Window), goTo_(std::move(goTo)), closed_(std::move(closed)) {
    graph_ = new ReviewGraph(goTo_);
    list_ = new QTreeWidget;
    list_->setColumnCount(4);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    line_ = new QLabel;
    line_->setWordWrap(true);
    line_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    line_->hide();
    status_ = new QLabel;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(graph_);
    layout->addWidget(list_, 1);
    layout->addWidget(line_);
    layout->addWidget(status_);
    resize(380, 560);
    // Row 0 is the start; row k the position after move k.
    connect(list_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { goTo_(list_->indexOfTopLevelItem(item)); });
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

void ReviewWindow::present(const ReviewView& v) {
    setWindowTitle(text(v.title));
    graph_->set(v);
    list_->setUpdatesEnabled(false);
    const int rows = v.count + 1;
    while (list_->topLevelItemCount() > rows) delete list_->takeTopLevelItem(rows);
    while (list_->topLevelItemCount() < rows) list_->addTopLevelItem(new QTreeWidgetItem);
    list_->topLevelItem(0)->setText(1, text(訳("開始局面")));
    for (int k = 1; k < rows; ++k) {
        const ReviewRow& r = v.rows[k - 1];
        QTreeWidgetItem* item = list_->topLevelItem(k);
        item->setText(0, QString::number(k));
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(1, text(std::string_view(r.move)));
        item->setText(2, text(std::string_view(r.value)));
        item->setText(3, text(r.mark));
        item->setForeground(3, QColor(190, 40, 0));
        QFont bold = list_->font();
        bold.setBold(!r.mark.empty());
        item->setFont(3, bold);
    }
    if (v.shown >= 0 && v.shown < rows) {
        const QSignalBlocker quiet(list_);
        list_->setCurrentItem(list_->topLevelItem(v.shown));
        list_->scrollToItem(list_->topLevelItem(v.shown));
    }
    list_->setUpdatesEnabled(true);
    line_->setText(text(v.line));
    line_->setVisible(!v.line.empty());
    status_->setText(text(v.status));
    status_->setVisible(!v.status.empty());
    if (!isVisible()) {
        show();
        raise();
    }
}

void ReviewWindow::closeEvent(QCloseEvent* event) {
    if (closed_) closed_();
    QWidget::closeEvent(event);
}

} // namespace tarvenko
