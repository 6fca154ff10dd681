// The program's sources never hand a file name to a shell or to a format
// string: every program is started with an argument list, by the launcher
// alone, and no text from outside becomes the format of a formatting call.
// Each rule is checked against a sample it must catch and one it must pass,
// so a rule that can no longer see a fault fails too.

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

struct Finding {
    QString file;
    int line;
    QString text;
};

QList<Finding> scan(const QRegularExpression& rule, const QStringList& allowed) {
    QList<Finding> found;
    const QString root = QStringLiteral(SORABUN_SOURCE_DIR "/src");
    QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(root.size() + 1);
        if (allowed.contains(relative))
            continue;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        int number = 0;
        while (!f.atEnd()) {
            const QString line = QString::fromUtf8(f.readLine());
            ++number;
            const QString code = line.section(QStringLiteral("//"), 0, 0);
            if (rule.match(code).hasMatch())
                found.append({relative, number, line.trimmed()});
        }
    }
    return found;
}

} // namespace

class TestNoShell : public QObject {
    Q_OBJECT

private slots:
    void sourcesKeepNamesAwayFromShellsAndFormats_data() {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QStringList>("allowed"); // files under src/ where it may occur
        QTest::addColumn<QString>("caught");      // a line the rule must flag
        QTest::addColumn<QString>("passed");      // a line it must let pass
        QTest::newRow("no shell or C process call")
            << "(\\bsystem|\\bpopen|\\bexec[lv]p?e?|\\bposix_spawnp?|\\bwordexp)\\s*\\("
            << QStringList() << "std::system((\"xdg-open \" + name).c_str());"
            << "launcher.start(program, {file});";
        QTest::newRow("no shell named") << "(/bin/(ba)?sh|\"sh\"|\"bash\"|\"-c\")" << QStringList()
                                        << "p.start(\"sh\", {\"-c\", cmd});"
                                        << "const QString sh = shell();";
        QTest::newRow("no command-line string to split")
            << "\\bstartCommand\\s*\\(|QProcess::execute\\s*\\(|setNativeArguments" << QStringList()
            << "QProcess::startCommand(\"notepad \" + path);"
            << "QProcess::startDetached(program, arguments);";
        QTest::newRow("programs are started by the launcher only")
            << "\\bQProcess\\b" << QStringList{QStringLiteral("platform/qt_platform.cpp")}
            << "QProcess p;"
            << "ws.platform.launcher.start(editor, {path});";
        QTest::newRow("a program always gets an argument list")
            << "startDetached\\s*\\(\\s*[^,()]*\\)" << QStringList()
            << "QProcess::startDetached(commandLine);"
            << "QProcess::startDetached(program, arguments);";
        QTest::newRow("no format string made from text")
            << "\\b(v?s?n?printf|qFatal|qCritical|qWarning|qDebug|qInfo|syslog|asprintf)\\s*\\(\\s*"
               "[^\")\\s]"
            << QStringList() << "qWarning(qPrintable(path));"
            << "qWarning(\"cannot read %s\", qPrintable(path));";
        QTest::newRow("no format string made from text, to a stream")
            << "\\bv?fprintf\\s*\\(\\s*\\w+\\s*,\\s*[^\"\\s]" << QStringList()
            << "std::fprintf(stderr, message);"
            << "std::fprintf(stderr, \"%s\\n\", name);";
        QTest::newRow("a name is never the text a later arg() fills in")
            << "\\.arg\\([^()]*(name|Name|path|Path|file|File)[^()]*\\)\\s*\\.arg\\("
            << QStringList() << "QStringLiteral(\"%1: %2\").arg(fileName).arg(count);"
            << "QStringLiteral(\"%1: %2\").arg(fileName, QString::number(count));";
    }

    void sourcesKeepNamesAwayFromShellsAndFormats() {
        QFETCH(QString, rule);
        QFETCH(QStringList, allowed);
        QFETCH(QString, caught);
        QFETCH(QString, passed);
        const QRegularExpression re(rule);
        QVERIFY2(re.isValid(), qPrintable(re.errorString()));
        QVERIFY2(re.match(caught).hasMatch(), "the rule sees the fault it is for");
        QVERIFY2(!re.match(passed).hasMatch(), "the rule lets sound code pass");
        const QList<Finding> found = scan(re, allowed);
        for (const Finding& f : found)
            qWarning("%s:%d: %s", qPrintable(f.file), f.line, qPrintable(f.text));
        QVERIFY2(found.isEmpty(), "no source line breaks the rule");
    }
};

QTEST_GUILESS_MAIN(TestNoShell)
#include "tst_no_shell.moc"
