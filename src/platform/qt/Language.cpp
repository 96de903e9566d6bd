#include "platform/qt/Language.h"

#include "texts/Texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

// The catalogues sit in this static library; nothing else would pull their resource in.
static void initCatalogues() {
    Q_INIT_RESOURCE(catalogues);
}

namespace tarvenko::language {

namespace {

// A text's place in the catalogue, compared without making a string, so that a text asked for
// again (every drop writes its box) allocates nothing.
using Key = std::pair<std::string, std::string>; // context, source
using KeyView = std::pair<std::string_view, std::string_view>;
struct KeyOrder {
    using is_transparent = void;
    static KeyView view(const Key& k) { return {k.first, k.second}; }
    static KeyView view(const KeyView& k) { return k; }
    template <class A, class B> bool operator()(const A& a, const B& b) const {
        return view(a) < view(b);
    }
};

struct State {
    std::mutex lock;
    QString code = QStringLiteral("ja");
    std::unique_ptr<QTranslator> game;   // our catalogue; none for Japanese
    std::unique_ptr<QTranslator> qtbase; // the toolkit's own texts
    // The UTF-8 of every text asked for so far, by context and source: a text is converted
    // once, and the views handed out stay valid until the language changes.
    std::map<Key, std::string, KeyOrder> shown;
    std::function<void(const QString&)> remember;
};

State& state() {
    static State s;
    return s;
}

std::string_view translated(const char* context, const char* source) {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.lock);
    if (!s.game) return source;
    auto it = s.shown.find(KeyView(context, source));
    if (it == s.shown.end()) {
        const QString t = s.game->translate(context, source);
        it = s.shown
                 .emplace(Key(context, source), t.isEmpty() ? std::string(source) : t.toStdString())
                 .first;
    }
    return it->second;
}

QString catalogue(const QString& code) {
    return QStringLiteral(":/i18n/tarvenko_%1.qm").arg(code);
}

} // namespace

QStringList available() {
    initCatalogues();
    QStringList codes{QStringLiteral("ja")};
    // Matched by hand: a name filter would bring in the toolkit's regular expressions, half a
    // megabyte of code and compiled patterns, for this one listing.
    const QStringList files = QDir(QStringLiteral(":/i18n")).entryList(QDir::Files);
    for (const QString& f : files) {
        if (f.startsWith(QLatin1String("tarvenko_")) && f.endsWith(QLatin1String(".qm")) &&
            f.size() > 12)
            codes << f.mid(9, f.size() - 12);
    }
    return codes;
}

QString fromLocale(const QLocale& locale) {
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage ||
        locale.language() == QLocale::Japanese) {
        return QStringLiteral("ja");
    }
    const QString code = QLocale::languageToCode(locale.language());
    return available().contains(code) ? code : QStringLiteral("en");
}

QString use(const QString& wanted) {
    initCatalogues();
    const QString code = available().contains(wanted) ? wanted : QStringLiteral("en");
    auto game = std::make_unique<QTranslator>();
    if (code == QLatin1String("ja") || !game->load(catalogue(code))) game.reset();
    // The toolkit's texts: qtbase_<code>, all that the game's widgets use (qt_<code> would
    // bring in every other module's too), else qt_<code> where a language has only that.
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto qtbase = std::make_unique<QTranslator>();
    if (!qtbase->load(QStringLiteral("qtbase_") + code, folder) &&
        !qtbase->load(QStringLiteral("qt_") + code, folder)) {
        qtbase.reset();
    }
    // What the dialogs write as numbers and dates: Japanese as in Japan; another language as
    // the desktop's locale writes it where that is the same language, else as in the US.
    const QLocale system = QLocale::system();
    if (code == QLatin1String("ja")) {
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    } else if (QLocale::languageToCode(system.language()) == code) {
        QLocale::setDefault(system);
    } else {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    State& s = state();
    std::unique_ptr<QTranslator> oldGame, oldQtbase;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        oldGame = std::exchange(s.game, std::move(game));
        oldQtbase = std::exchange(s.qtbase, std::move(qtbase));
        s.shown.clear();
        s.code = code;
    }
    texts::setTranslator(s.game ? &translated : nullptr);
    // Each change sends every widget its LanguageChange event, which asks for its texts again
    // (outside the lock: they come back here).
    if (QCoreApplication::instance() != nullptr) {
        if (oldGame) QCoreApplication::removeTranslator(oldGame.get());
        if (oldQtbase) QCoreApplication::removeTranslator(oldQtbase.get());
        if (s.qtbase) QCoreApplication::installTranslator(s.qtbase.get());
        if (s.game) QCoreApplication::installTranslator(s.game.get());
    }
    return code;
}

QString current() {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.lock);
    return s.code;
}

void onChosen(std::function<void(const QString&)> remember) {
    state().remember = std::move(remember);
}

void chosen(const QString& code) {
    const QString used = use(code);
    if (state().remember) state().remember(used);
}

} // namespace tarvenko::language
