// Every #include in src/ points down the layers: base, the logic subsystems in their order,
// state, the screens, app. The check reads the sources only and links none of the program.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {

// The allowed order of the logic subsystems; ARCHITECTURE.md describes it. Each may include
// base and the subsystems listed before it, never one listed after it.
const QStringList LogicSubsystems = {
    QStringLiteral("sound"), QStringLiteral("records"), QStringLiteral("roster"),
    QStringLiteral("setup"), QStringLiteral("drill"),   QStringLiteral("attempt_end"),
    QStringLiteral("menu"),  QStringLiteral("teacher"),
};

struct Layer {
    enum Kind { None, Base, Logic, State, Screens, App };
    Kind kind = None;
    QString folder;  // the top folder under src/
    int order = -1;  // place in LogicSubsystems, for a subsystem and its screens
};

// From a path relative to src/: a file's own or an include's.
Layer LayerOf(const QString& path)
{
    const QStringList parts = path.split(QLatin1Char('/'));
    if (parts.size() < 2)
        return {};
    const QString& top = parts.front();
    const bool ui = parts.size() > 2 && parts[1] == QLatin1String("ui");
    if (top == QLatin1String("base"))
        return {ui ? Layer::Screens : Layer::Base, top, -1};
    if (top == QLatin1String("state"))
        return ui ? Layer{} : Layer{Layer::State, top, -1};
    if (top == QLatin1String("app"))
        return {Layer::App, top, -1};
    const int order = LogicSubsystems.indexOf(top);
    if (order < 0)
        return {};
    return {ui ? Layer::Screens : Layer::Logic, top, order};
}

bool IsLogic(const Layer& layer)
{
    return layer.kind == Layer::Base || layer.kind == Layer::Logic || layer.kind == Layer::State;
}

class IncludeRules {
public:
    // widgetsHeaders: the file names in Qt's QtWidgets include folder. treeFolders: the folders
    // under the checked src/, so that an include of a folder outside every layer is not taken
    // for a library header.
    IncludeRules(QSet<QString> widgetsHeaders, const QStringList& treeFolders)
        : WidgetsHeaders(std::move(widgetsHeaders))
    {
        ProgramFolders = QSet<QString>(treeFolders.begin(), treeFolders.end());
        ProgramFolders.unite(QSet<QString>(LogicSubsystems.begin(), LogicSubsystems.end()));
        ProgramFolders << QStringLiteral("base") << QStringLiteral("state") << QStringLiteral("app");
    }

    // The rule that `file` breaks by including `include`, or empty when it may. Both are
    // relative to src/; a quoted include found beside its file is already given from src/.
    QString RuleBroken(const QString& file, const QString& include) const
    {
        const Layer from = LayerOf(file);
        if (from.kind == Layer::None)
            return QStringLiteral("the file's folder is in no layer");
        if (from.kind == Layer::App)
            return {};
        if (IsLogic(from) && IsWidgetsHeader(include))
            return QStringLiteral("logic (base, the subsystems, state) includes nothing of QtWidgets");
        if (!IsProgramHeader(include))
            return {};
        const Layer to = LayerOf(include);
        if (to.kind == Layer::None)
            return QStringLiteral("the included folder is in no layer");
        if (to.kind == Layer::App)
            return QStringLiteral("only app includes app/");
        if (IsLogic(from) && to.kind == Layer::Screens)
            return QStringLiteral("logic (base, the subsystems, state) includes no screen header (*/ui/*)");
        switch (from.kind) {
        case Layer::Base:
            if (to.kind != Layer::Base)
                return QStringLiteral("base includes nothing else of the program");
            break;
        case Layer::Logic:
            if (to.kind == Layer::State)
                return QStringLiteral("only state, the screens and app include state/");
            if (to.kind == Layer::Logic && to.order > from.order)
                return QStringLiteral("%1 includes only base and the subsystems before it; %2 comes after it")
                    .arg(from.folder, to.folder);
            break;
        case Layer::Screens:
            if (to.kind == Layer::Screens && to.folder != QLatin1String("base") && to.folder != from.folder)
                return QStringLiteral("a screen includes no other subsystem's screens, only base/ui and its own");
            break;
        default:
            break;
        }
        return {};
    }

private:
    bool IsWidgetsHeader(const QString& include) const
    {
        return include.startsWith(QLatin1String("QtWidgets/")) || WidgetsHeaders.contains(include);
    }
    bool IsProgramHeader(const QString& include) const
    {
        const qsizetype slash = include.indexOf(QLatin1Char('/'));
        return slash > 0 && ProgramFolders.contains(include.left(slash));
    }

    QSet<QString> WidgetsHeaders;
    QSet<QString> ProgramFolders;
};

QStringList TopFolders(const QString& root)
{
    return QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

// "src/file:line: #include …: rule" for every include that breaks a rule, and one line for each
// file outside every layer.
QStringList Violations(const QString& root, const IncludeRules& rules, int* filesRead)
{
    static const QRegularExpression includeLine(QStringLiteral("^\\s*#\\s*include\\s*([<\"])([^>\"]+)[>\"]"));
    const QDir rootDir(root);
    QStringList files;
    QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << rootDir.relativeFilePath(it.next());
    files.sort();
    *filesRead = int(files.size());

    QStringList found;
    for (const QString& file : files) {
        const QString shown = QStringLiteral("src/") + file;
        if (LayerOf(file).kind == Layer::None) {
            found << shown + QStringLiteral(": the file's folder is in no layer");
            continue;
        }
        QFile source(rootDir.filePath(file));
        if (!source.open(QIODevice::ReadOnly)) {
            found << shown + QStringLiteral(": cannot be read");
            continue;
        }
        const QString folder = QFileInfo(file).path();
        int lineNumber = 0;
        while (!source.atEnd()) {
            const QString line = QString::fromUtf8(source.readLine());
            ++lineNumber;
            const QRegularExpressionMatch match = includeLine.match(line);
            if (!match.hasMatch())
                continue;
            QString include = match.captured(2).trimmed();
            // Like the compiler, a quoted include is looked for beside its file first.
            if (match.captured(1) == QLatin1String("\"")) {
                const QString beside = QDir::cleanPath(folder + QLatin1Char('/') + include);
                if (!beside.startsWith(QLatin1String("../")) && QFileInfo(rootDir.filePath(beside)).isFile())
                    include = beside;
            }
            const QString rule = rules.RuleBroken(file, include);
            if (!rule.isEmpty())
                found << QStringLiteral("%1:%2: #include %3%4%5: %6")
                             .arg(shown)
                             .arg(lineNumber)
                             .arg(match.captured(1), match.captured(2),
                                  match.captured(1) == QLatin1String("<") ? QStringLiteral(">") : QStringLiteral("\""),
                                  rule);
        }
    }
    return found;
}

}  // namespace

class IncludeDirectionTest : public QObject {
    Q_OBJECT

    QSet<QString> WidgetsHeaders;

private slots:
    void initTestCase()
    {
        const QString folder = qEnvironmentVariable("ZOME2_QTWIDGETS_INCLUDE_DIR");
        QVERIFY2(!folder.isEmpty(), "ZOME2_QTWIDGETS_INCLUDE_DIR (Qt's QtWidgets include folder) is not set");
        const QStringList names = QDir(folder).entryList(QDir::Files);
        WidgetsHeaders = QSet<QString>(names.begin(), names.end());
        // Guards against a wrong folder, which would let every QtWidgets include through.
        QVERIFY2(WidgetsHeaders.contains(QStringLiteral("QWidget")) && WidgetsHeaders.contains(QStringLiteral("qlabel.h")),
                 qPrintable(QStringLiteral("no QtWidgets headers in ") + folder));
    }

    void rules_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("include");
        QTest::addColumn<bool>("allowed");

        QTest::newRow("logic includes a screen") << "records/X.cpp" << "drill/ui/DrillScreen.h" << false;
        QTest::newRow("screen includes another subsystem's screen") << "drill/ui/DrillScreen.cpp" << "roster/ui/NameScreen.h" << false;
        QTest::newRow("subsystem includes a later one") << "roster/NameList.cpp" << "drill/DrillModel.h" << false;
        QTest::newRow("subsystem includes an earlier one") << "drill/DrillModel.cpp" << "records/ScoreFile.h" << true;
        QTest::newRow("subsystem includes itself") << "teacher/A.cpp" << "teacher/B.h" << true;
        QTest::newRow("subsystem includes base") << "sound/A.cpp" << "base/Clock.h" << true;
        QTest::newRow("subsystem includes state") << "teacher/A.cpp" << "state/School.h" << false;
        QTest::newRow("logic includes QWidget") << "records/X.cpp" << "QWidget" << false;
        QTest::newRow("logic includes qlabel.h") << "state/StateViews.cpp" << "qlabel.h" << false;
        QTest::newRow("logic includes QtWidgets/QApplication") << "base/A.cpp" << "QtWidgets/QApplication" << false;
        QTest::newRow("logic includes QtGui") << "drill/A.cpp" << "QImage" << true;
        QTest::newRow("logic includes a library header") << "sound/A.cpp" << "pulse/simple.h" << true;
        QTest::newRow("base includes a subsystem") << "base/Clock.cpp" << "sound/SoundPlayer.h" << false;
        QTest::newRow("base includes base/ui") << "base/A.cpp" << "base/ui/ScaledForm.h" << false;
        QTest::newRow("state includes the last subsystem") << "state/StateViews.cpp" << "teacher/A.h" << true;
        QTest::newRow("state includes a screen") << "state/StateViews.cpp" << "base/ui/ScaledForm.h" << false;
        QTest::newRow("screen includes state") << "roster/ui/NameScreen.cpp" << "state/School.h" << true;
        QTest::newRow("screen includes a later subsystem") << "setup/ui/A.cpp" << "teacher/A.h" << true;
        QTest::newRow("screen includes base/ui") << "roster/ui/NameScreen.cpp" << "base/ui/ScaledForm.h" << true;
        QTest::newRow("screen includes its own screens") << "drill/ui/DrillScreen.cpp" << "drill/ui/GuideLine.h" << true;
        QTest::newRow("screen includes QtWidgets") << "menu/ui/A.cpp" << "QLabel" << true;
        QTest::newRow("screen includes app") << "menu/ui/A.cpp" << "app/ScreenFlow.h" << false;
        QTest::newRow("base/ui includes a subsystem's screen") << "base/ui/ScaledForm.cpp" << "drill/ui/DrillScreen.h" << false;
        QTest::newRow("app includes a screen") << "app/main.cpp" << "drill/ui/DrillScreen.h" << true;
        QTest::newRow("app includes QtWidgets") << "app/main.cpp" << "QApplication" << true;
        QTest::newRow("file in no layer") << "shell/Clock.cpp" << "base/Clock.h" << false;
        QTest::newRow("include of a folder in no layer") << "drill/A.cpp" << "shell/Clock.h" << false;
        QTest::newRow("file directly in src") << "main.cpp" << "QString" << false;
    }

    void rules()
    {
        QFETCH(QString, file);
        QFETCH(QString, include);
        QFETCH(bool, allowed);
        const IncludeRules rules(WidgetsHeaders, {QStringLiteral("shell")});
        const QString broken = rules.RuleBroken(file, include);
        QVERIFY2(broken.isEmpty() == allowed, qPrintable(broken.isEmpty() ? QStringLiteral("accepted") : broken));
    }

    // ZOME2_INCLUDE_CHECK_ROOT names another folder laid out like src/ to check instead.
    void sourcesIncludeInAllowedDirection()
    {
        QString root = qEnvironmentVariable("ZOME2_INCLUDE_CHECK_ROOT");
        if (root.isEmpty()) {
            const QString sourceDir = qEnvironmentVariable("ZOME2_SOURCE_DIR");
            QVERIFY2(!sourceDir.isEmpty(), "ZOME2_SOURCE_DIR is not set");
            root = sourceDir + QStringLiteral("/src");
        }
        const IncludeRules rules(WidgetsHeaders, TopFolders(root));
        int filesRead = 0;
        const QStringList violations = Violations(root, rules, &filesRead);
        QVERIFY2(filesRead > 0, qPrintable(QStringLiteral("no .h or .cpp files under ") + root));
        // One line each: QtTest cuts a long failure message short.
        for (const QString& violation : violations)
            qWarning().noquote() << violation;
        QVERIFY2(violations.isEmpty(),
                 qPrintable(QStringLiteral("%1 breaches of the layering under %2, listed above")
                                .arg(violations.size())
                                .arg(root)));
    }
};

QTEST_GUILESS_MAIN(IncludeDirectionTest)
#include "tst_IncludeDirection.moc"
