// No source file in src/ keeps state outside the objects that are passed around: no variable at
// namespace scope, no static data member and no function-local static unless it is const or
// constexpr. One process may serve many pupils at once; state that hides in a global would be
// shared between them. The check reads the sources only and links none of the program.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace {

// The text with comments, string and character literals blanked out (newlines kept, so that
// line numbers stay right).
QString Blanked(const QString& text)
{
    QString out = text;
    enum { Code, Line, Block, String, Char, Raw } state = Code;
    QString rawEnd;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out[i];
        const QChar next = i + 1 < out.size() ? out[i + 1] : QChar();
        switch (state) {
        case Code:
            if (c == u'/' && next == u'/') {
                state = Line;
                out[i] = u' ';
            } else if (c == u'/' && next == u'*') {
                state = Block;
                out[i] = u' ';
            } else if (c == u'R' && next == u'"') {
                const qsizetype open = out.indexOf(u'(', i + 2);
                rawEnd = u')' + out.mid(i + 2, open - i - 2) + u'"';
                state = Raw;
                i = open;
            } else if (c == u'"') {
                state = String;
            } else if (c == u'\'' && !(i > 0 && out[i - 1].isDigit())) {
                state = Char;
            }
            break;
        case Line:
            if (c == u'\n')
                state = Code;
            else
                out[i] = u' ';
            break;
        case Block:
            if (c == u'*' && next == u'/') {
                out[i] = out[i + 1] = u' ';
                ++i;
                state = Code;
            } else if (c != u'\n') {
                out[i] = u' ';
            }
            break;
        case String:
        case Char:
            if (c == u'\\') {
                out[i] = u' ';
                if (i + 1 < out.size() && out[i + 1] != u'\n')
                    out[++i] = u' ';
            } else if ((state == String && c == u'"') || (state == Char && c == u'\'')) {
                state = Code;
            } else if (c != u'\n') {
                out[i] = u' ';
            }
            break;
        case Raw:
            if (out.mid(i, rawEnd.size()) == rawEnd) {
                i += rawEnd.size() - 1;
                state = Code;
            } else if (c != u'\n') {
                out[i] = u' ';
            }
            break;
        }
    }
    return out;
}

enum class Scope { File, Namespace, Class, Enum, Block };

bool Constant(const QString& statement)
{
    static const QRegularExpression constant(QStringLiteral("\\b(const|constexpr|constinit)\\b"));
    return constant.match(statement).hasMatch();
}

// Whether `statement` (a declaration up to its ";", "=" or "{") declares a variable rather than
// a function, a type, an alias or a template.
bool DeclaresVariable(QString statement)
{
    statement = statement.simplified();
    if (statement.isEmpty())
        return false;
    static const QRegularExpression notVariable(QStringLiteral(
        "^(using|typedef|template|friend|namespace|class|struct|union|enum|static_assert|extern|Q_[A-Z_]+|"
        "public|private|protected|signals|slots|return|case|default|#)\\b"));
    if (notVariable.match(statement).hasMatch())
        return false;
    // The part before an initialiser: a parenthesis there makes it a function (or a macro call).
    const qsizetype equals = statement.indexOf(u'=');
    const QString head = equals < 0 ? statement : statement.left(equals);
    if (head.contains(u'(') || head.contains(u'~'))
        return false;
    if (head.contains(QLatin1String("operator")))
        return false;
    // A type and a name at least.
    static const QRegularExpression typeAndName(QStringLiteral("[\\w>*&\\]]\\s+[*&]*[\\w:]+(\\[[^\\]]*\\])?\\s*$"));
    return typeAndName.match(head.trimmed()).hasMatch();
}

struct Finding {
    int line;
    QString what;
};

// What in `source` keeps mutable state outside an object: "line: what" for each.
QList<Finding> MutableStatics(const QString& source)
{
    // A newline in front, so that a first line of the preprocessor is passed over like the others.
    const QString text = u'\n' + Blanked(source);
    QList<Finding> found;
    QList<Scope> scopes{Scope::File};
    QString statement;
    int statementLine = 0;
    int line = 0;
    int parens = 0;
    const auto check = [&](const QString& decl) {
        const QString s = decl.simplified();
        const Scope where = scopes.back();
        static const QRegularExpression staticWord(QStringLiteral("^(inline\\s+)?(static|thread_local)\\b"));
        const bool isStatic = staticWord.match(s).hasMatch();
        if (where == Scope::File || where == Scope::Namespace) {
            if (DeclaresVariable(s.mid(isStatic ? s.indexOf(u' ') + 1 : 0)) && !Constant(s))
                found << Finding{statementLine, QStringLiteral("a variable at namespace scope: ") + s};
        } else if (where == Scope::Class || where == Scope::Block) {
            if (isStatic && DeclaresVariable(s.mid(s.indexOf(u' ') + 1)) && !Constant(s))
                found << Finding{statementLine,
                                 (where == Scope::Class ? QStringLiteral("a static data member: ")
                                                        : QStringLiteral("a function-local static: ")) + s};
        }
    };
    const auto startStatement = [&] {
        statement.clear();
        statementLine = line;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\n') {
            ++line;
            // A preprocessor line is no statement.
            const qsizetype end = text.indexOf(u'\n', i + 1);
            const QString next = text.mid(i + 1, end < 0 ? -1 : end - i - 1).trimmed();
            if (next.startsWith(u'#')) {
                i = end < 0 ? text.size() : end - 1;
                continue;
            }
            if (statement.trimmed().isEmpty())
                statementLine = line;
            statement += u' ';
            continue;
        }
        if (c == u'(')
            ++parens;
        else if (c == u')')
            --parens;
        if (c == u'{') {
            const QString head = statement.simplified();
            Scope opened = Scope::Block;
            static const QRegularExpression namespaceHead(QStringLiteral("^(inline\\s+)?namespace\\b|^extern\\s*$"));
            static const QRegularExpression classHead(
                QStringLiteral("^(template\\s*<.*>\\s*)?(class|struct|union)\\s+[\\w:]+(\\s+final)?\\s*(:[^()]*)?$|^(class|struct|union)\\s*$"));
            static const QRegularExpression enumHead(QStringLiteral("^enum\\b"));
            const Scope where = scopes.back();
            if (namespaceHead.match(head).hasMatch())
                opened = Scope::Namespace;
            else if (classHead.match(head).hasMatch())
                opened = Scope::Class;
            else if (enumHead.match(head).hasMatch())
                opened = Scope::Enum;
            else if (where != Scope::Block && where != Scope::Enum && !head.contains(u'('))
                check(head); // a variable with a braced initialiser
            else if (where == Scope::Block && parens == 0 && !head.contains(u'('))
                check(head);
            scopes << opened;
            startStatement();
            continue;
        }
        if (c == u'}') {
            if (scopes.size() > 1)
                scopes.removeLast();
            startStatement();
            continue;
        }
        if (c == u';' && parens == 0) {
            if (scopes.back() != Scope::Enum)
                check(statement);
            startStatement();
            continue;
        }
        if (c == u':' && scopes.back() == Scope::Class) {
            static const QRegularExpression access(QStringLiteral("^(public|private|protected|signals|public slots|private slots|protected slots)\\s*$"));
            if (access.match(statement.simplified()).hasMatch()) {
                startStatement();
                continue;
            }
        }
        if (statement.trimmed().isEmpty() && !c.isSpace())
            statementLine = line;
        statement += c;
    }
    return found;
}

} // namespace

class NoMutableGlobals : public QObject {
    Q_OBJECT
private slots:
    void findsMutableStatics_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QList<int>>("lines");
        QTest::newRow("namespace variable") << "namespace {\nint Count = 0;\n}\n" << QList<int>{2};
        QTest::newRow("global object") << "#include <x>\nQStringList Names;\nvoid F();\n" << QList<int>{2};
        QTest::newRow("braced global") << "QList<int> Sizes{1, 2};\n" << QList<int>{1};
        QTest::newRow("file static") << "static int Calls;\n" << QList<int>{1};
        QTest::newRow("function static") << "void F()\n{\n    static SystemClock clock;\n}\n" << QList<int>{3};
        QTest::newRow("static in a lambda") << "void F()\n{\n    auto f = [] {\n        static int n = 0;\n    };\n}\n"
                                            << QList<int>{4};
        QTest::newRow("static data member") << "class A {\n    static A* Instance;\n};\n" << QList<int>{2};
        QTest::newRow("static member defined") << "A* A::Instance = nullptr;\n" << QList<int>{1};
        QTest::newRow("thread_local") << "void F()\n{\n    thread_local int n;\n}\n" << QList<int>{3};
        QTest::newRow("constants") << "const int A = 1;\nconstexpr int B = 2;\nstatic const QString C = x;\n"
                                      "namespace { const QStringList D = {a, b}; }\n"
                                      "class K {\n    static constexpr int E = 3;\n    inline static const QColor F{1, 2, 3};\n};\n"
                                      "void G()\n{\n    static const QRegularExpression r(p);\n}\n"
                                   << QList<int>{};
        QTest::newRow("functions and types") << "static int F(int a);\nint G();\nclass A;\nstruct B { int X = 0; };\n"
                                                "using C = int;\nenum D { E = 1, F };\ntemplate <class T> T H(T t);\n"
                                                "A::A() : X(1) {}\nbool operator==(const A&, const A&);\n"
                                             << QList<int>{};
        QTest::newRow("locals and members") << "void F()\n{\n    int n = 0;\n    QList<int> l{1};\n    for (int i = 0; i < 3; ++i) {}\n}\n"
                                               "class A {\npublic:\n    int N = 0;\n    static int Size();\nprivate:\n    QString S;\n};\n"
                                            << QList<int>{};
        QTest::newRow("commented and quoted") << "// static int n;\n/* int Count = 0; */\nconst QString T = \"static int m;\";\n"
                                                 "QString U = \"const\";\n"
                                              << QList<int>{4};
    }
    void findsMutableStatics()
    {
        QFETCH(QString, source);
        QFETCH(QList<int>, lines);
        QList<int> found;
        QStringList whats;
        for (const Finding& f : MutableStatics(source)) {
            found << f.line;
            whats << f.what;
        }
        QVERIFY2(found == lines, qPrintable(whats.join(QStringLiteral("\n"))));
    }

    void sourcesKeepNoMutableGlobals()
    {
        const QString root = qEnvironmentVariable("ZOME2_SOURCE_DIR") + QStringLiteral("/src");
        QVERIFY2(QDir(root).exists(), qPrintable(root));
        QStringList problems;
        int files = 0;
        QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            ++files;
            for (const Finding& finding : MutableStatics(QString::fromUtf8(f.readAll())))
                problems << QStringLiteral("%1:%2: %3").arg(QDir(root).relativeFilePath(path)).arg(finding.line).arg(finding.what);
        }
        QVERIFY(files > 50);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("\n"))));
    }
};

QTEST_GUILESS_MAIN(NoMutableGlobals)
#include "tst_NoMutableGlobals.moc"
