#include "platform/qt/PuzzleChooser.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tarvenko {

namespace {

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

constexpr int kIndexRole = Qt::UserRole;

} // namespace

int choosePuzzle(QWidget* parent, const PuzzleList& list) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("PuzzleChooser"));
    dialog.setWindowTitle(text(list.title));
    auto* layout = new QVBoxLayout(&dialog);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
    QPushButton* start = buttons->addButton(text(list.start), QDialogButtonBox::AcceptRole);
    QPushButton* unsolved = buttons->addButton(text(list.unsolved), QDialogButtonBox::ActionRole);
    start->setEnabled(false);

    int chosen = -1, firstUnsolved = -1;
    QListWidget* current = nullptr;
    if (list.count == 0) {
        layout->addWidget(new QLabel(text(list.none), &dialog));
    } else {
        auto* tabs = new QTabWidget(&dialog);
        layout->addWidget(tabs);
        for (int i = 0; i < list.count; ++i) {
            const PuzzleEntry& e = list.entries[i];
            if (e.length < 0 || e.length >= 8) continue;
            if (i == 0 || list.entries[i - 1].length != e.length) {
                // A grid of numbers that wraps, one page a length.
                current = new QListWidget(tabs);
                current->setViewMode(QListView::IconMode);
                current->setMovement(QListView::Static);
                current->setResizeMode(QListView::Adjust);
                current->setGridSize(
                    QSize(current->fontMetrics().horizontalAdvance(QStringLiteral("000 ✓")) + 12,
                          current->fontMetrics().height() * 2));
                current->setMinimumSize(current->gridSize().width() * 10 + 30,
                                        current->gridSize().height() * 5 + 10);
                tabs->addTab(current, text(list.groups[e.length]));
                QObject::connect(
                    current, &QListWidget::itemSelectionChanged, &dialog,
                    [current, start] { start->setEnabled(!current->selectedItems().isEmpty()); });
                QObject::connect(current, &QListWidget::itemActivated, &dialog,
                                 [&chosen, &dialog](QListWidgetItem* item) {
                                     chosen = item->data(kIndexRole).toInt();
                                     dialog.accept();
                                 });
            }
            auto* item = new QListWidgetItem(
                QString::number(e.number) + (e.solved ? QStringLiteral(" ✓") : QString()), current);
            item->setTextAlignment(Qt::AlignCenter);
            item->setData(kIndexRole, i);
            if (!e.solved && firstUnsolved < 0) {
                // The chooser opens at the first unsolved puzzle, ready for Return.
                firstUnsolved = i;
                tabs->setCurrentWidget(current);
                current->setCurrentItem(item);
                current->setFocus();
            }
        }
        QObject::connect(tabs, &QTabWidget::currentChanged, &dialog, [tabs, start] {
            auto* page = qobject_cast<QListWidget*>(tabs->currentWidget());
            start->setEnabled(page && !page->selectedItems().isEmpty());
        });
        QObject::connect(start, &QPushButton::clicked, &dialog, [tabs, &chosen] {
            auto* page = qobject_cast<QListWidget*>(tabs->currentWidget());
            if (page && !page->selectedItems().isEmpty())
                chosen = page->selectedItems().first()->data(kIndexRole).toInt();
        });
    }
    unsolved->setEnabled(firstUnsolved >= 0);
    QObject::connect(unsolved, &QPushButton::clicked, &dialog, [&] {
        chosen = firstUnsolved;
        dialog.accept();
    });
    start->setEnabled(firstUnsolved >= 0);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted ? chosen : -1;
}

int choiceBox(QWidget* parent, const QString& title, const QString& message,
              const QStringList& buttons) {
    QString body = message;
    body.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::NoIcon, title, body, QMessageBox::NoButton, parent);
    box.setWindowModality(Qt::ApplicationModal);
    QList<QPushButton*> added;
    for (const QString& b : buttons) added << box.addButton(b, QMessageBox::AcceptRole);
    // Return takes the first; Escape and the close button the last, which changes nothing.
    if (!added.isEmpty()) {
        box.setDefaultButton(added.first());
        box.setEscapeButton(added.last());
    }
    box.exec();
    return static_cast<int>(added.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
}

} // namespace tarvenko
