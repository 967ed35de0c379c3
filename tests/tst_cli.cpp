#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TstCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void formats_data();
    void formats();
    void trouble_data();
    void trouble();
    void help();
    void shellUse_data();
    void shellUse();
    void countFromPipes_data();
    void countFromPipes();
    void countAgreesWithRows_data();
    void countAgreesWithRows();
    void recursiveAgainstDiff_data();
    void recursiveAgainstDiff();
    void unifiedAgainstDiff_data();
    void unifiedAgainstDiff();

private:
    struct TResult
    {
        int code;
        QByteArray out;
        QByteArray err;
    };
    TResult run(QStringList args);
    QString file(const QString &name, const QByteArray &content);
    QTemporaryDir fDir;
};

// Runs parlune-compare; arguments that are not options name files in the
// test's folder.
TstCli::TResult TstCli::run(QStringList args)
{
    for (QString &a : args)
        if (!a.startsWith(u'-'))
            a = fDir.filePath(a);
    QProcess p;
    p.start(QStringLiteral(PARLUNE_COMPARE_EXE), args);
    if (!p.waitForFinished(30000))
        return {-1, {}, "timeout"};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QString TstCli::file(const QString &name, const QByteArray &content)
{
    const QString path = fDir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

void TstCli::initTestCase()
{
    file(QStringLiteral("abcd.txt"), "A\nB\nC\nD\n");
    file(QStringLiteral("axd.txt"), "A\r\nX\r\n\r\nD");
    file(QStringLiteral("same.txt"), "a\n\nb  c\n");
    file(QStringLiteral("same2.txt"), "A\nB C\n");
    file(QStringLiteral("ac.txt"), "A\nC\n");
    file(QStringLiteral("abc.txt"), "A\nB\nC\n");
    file(QStringLiteral("abd.txt"), "A\nB\nD\n");
    file(QStringLiteral("utf8.txt"), "\xc3\xa9t\xc3\xa9\n");
    file(QStringLiteral("tab.txt"), "a\tb\n");
    file(QStringLiteral("spaces.txt"), "a    b\n");
    // Larger than the pieces --count compares identical files in: one
    // letter changed in the second piece, and the last one changed.
    QByteArray lines;
    for (int i = 0; i < 60000; ++i)
        lines += "line " + QByteArray::number(i) + '\n';
    file(QStringLiteral("long.txt"), lines);
    file(QStringLiteral("long-middle.txt"), QByteArray(lines).replace(300000, 1, "X"));
    file(QStringLiteral("long-end.txt"), QByteArray(lines).replace(lines.size() - 2, 1, "X"));
}

void TstCli::formats_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<int>("code");

    QTest::newRow("rows") << QStringList{"abcd.txt", "axd.txt"} << QByteArray("A | A\nB ! X\nC !\nD | D\nChanges=2\n") << 1;
    QTest::newRow("rows with an added line") << QStringList{"ac.txt", "abc.txt"}
        << QByteArray("A | A\n  + B\nC | C\nChanges=1\n") << 1;
    QTest::newRow("records") << QStringList{"--records", "abcd.txt", "axd.txt"}
        << QByteArray("ckNone 0 0\nckModify 1 1\nckDelete 2 0\nckNone 3 2\nChanges=2\n") << 1;
    QTest::newRow("count") << QStringList{"--count", "abcd.txt", "axd.txt"} << QByteArray("Changes=2\n") << 1;
    QTest::newRow("equal but for case and blanks") << QStringList{"--count", "same.txt", "same2.txt"}
        << QByteArray("Changes=0\n") << 0;
    QTest::newRow("identical files") << QStringList{"--count", "abcd.txt", "abcd.txt"}
        << QByteArray("Changes=0\n") << 0;
    QTest::newRow("same size, one byte differs") << QStringList{"--count", "abc.txt", "abd.txt"}
        << QByteArray("Changes=1\n") << 1;
    QTest::newRow("long files, one byte differs in the middle") << QStringList{"--count", "long.txt", "long-middle.txt"}
        << QByteArray("Changes=1\n") << 1;
    QTest::newRow("long files, the last line differs") << QStringList{"--count", "long.txt", "long-end.txt"}
        << QByteArray("Changes=1\n") << 1;
    QTest::newRow("long identical files") << QStringList{"--count", "long.txt", "long.txt"}
        << QByteArray("Changes=0\n") << 0;
    QTest::newRow("equal rows keep each side's text") << QStringList{"same.txt", "same2.txt"}
        << QByteArray("a    | A\nb  c | B C\nChanges=0\n") << 0;
    // same.txt and same2.txt differ in case, blanks and an empty line.
    QTest::newRow("exact rule") << QStringList{"--exact", "--count", "same.txt", "same2.txt"}
        << QByteArray("Changes=3\n") << 1;
    QTest::newRow("case counts") << QStringList{"--no-ignore-case", "--count", "same.txt", "same2.txt"}
        << QByteArray("Changes=2\n") << 1;
    QTest::newRow("blanks count") << QStringList{"--no-ignore-blanks", "--count", "same.txt", "same2.txt"}
        << QByteArray("Changes=1\n") << 1;
    QTest::newRow("empty lines count") << QStringList{"--no-ignore-empty-lines", "same.txt", "same2.txt"}
        << QByteArray("a    | A\n     !\nb  c | B C\nChanges=1\n") << 1;
    QTest::newRow("a tab against four spaces") << QStringList{"--count", "tab.txt", "spaces.txt"}
        << QByteArray("Changes=0\n") << 0;
    QTest::newRow("a tab against four spaces, blanks count") << QStringList{"--exact", "--count", "tab.txt", "spaces.txt"}
        << QByteArray("Changes=1\n") << 1;
    QTest::newRow("unified") << QStringList{"-u", "abcd.txt", "abd.txt"}
        << ("--- " + fDir.filePath("abcd.txt").toUtf8() + "\n+++ " + fDir.filePath("abd.txt").toUtf8()
            + "\n@@ -1,4 +1,3 @@\n A\n B\n-C\n D\n") << 1;
    QTest::newRow("unified, no context, nothing differs") << QStringList{"--unified=0", "same.txt", "same2.txt"}
        << QByteArray() << 0;
    QTest::newRow("UTF-8 output") << QStringList{"utf8.txt", "abc.txt"}
        << QByteArray("\xc3\xa9t\xc3\xa9 ! A\n    + B\n    + C\nChanges=3\n") << 1;
}

void TstCli::formats()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, out);
    QFETCH(int, code);
    const TResult r = run(args);
    QCOMPARE(r.out, out);
    QCOMPARE(r.code, code);
    QCOMPARE(r.err, QByteArray());
}

void TstCli::trouble_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("missing file") << QStringList{"abc.txt", "nope.txt"} << "nope.txt";
    QTest::newRow("a folder") << QStringList{".", "abc.txt"} << "Cannot open";
    QTest::newRow("a folder twice, counting") << QStringList{"--count", ".", "."} << "Cannot open";
    QTest::newRow("one file") << QStringList{"abc.txt"} << "two files";
    QTest::newRow("three files") << QStringList{"abc.txt", "abc.txt", "abc.txt"} << "two files";
    QTest::newRow("unknown option") << QStringList{"--fast", "abc.txt", "abc.txt"} << "--fast";
    QTest::newRow("context that is no number") << QStringList{"--unified=x", "abc.txt", "abc.txt"} << "context";
}

void TstCli::trouble()
{
    QFETCH(QStringList, args);
    QFETCH(QString, mentions);
    const TResult r = run(args);
    QCOMPARE(r.code, 2);
    QCOMPARE(r.out, QByteArray());
    QVERIFY2(r.err.startsWith("parlune-compare: ") && r.err.count('\n') == 1, r.err.constData());
    QVERIFY2(QString::fromUtf8(r.err).contains(mentions), r.err.constData());
}

void TstCli::help()
{
    const TResult r = run({QStringLiteral("--help")});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.contains("--records"));
    QVERIFY(r.out.contains("Exit status"));
}

void TstCli::shellUse_data()
{
    // $C is parlune-compare; the command runs in the test's folder.
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("err");  // words on standard error, or "" for none
    QTest::newRow("-- before a name starting with -") << "cp abc.txt ./-dash.txt && $C --count -- -dash.txt abc.txt" << 0 << QByteArray();
    QTest::newRow("empty name") << "$C '' abc.txt" << 2 << QByteArray("empty file name");
    QTest::newRow("name that is not UTF-8") << "n=$(printf 'n\\377.txt'); cp abc.txt \"$n\" && $C --count \"$n\" abc.txt"
        << 0 << QByteArray();
    QTest::newRow("output cannot be written") << "$C abc.txt abc.txt >/dev/full" << 2 << QByteArray("No space left on device");
    QTest::newRow("count of identical files cannot be written") << "$C --count abc.txt abc.txt >/dev/full" << 2
        << QByteArray("No space left on device");
    QTest::newRow("endless device") << "$C /dev/zero abc.txt" << 2 << QByteArray("device");
    QTest::newRow("a pipe") << "printf 'A\\nB\\nC\\n' | $C --count /dev/stdin abc.txt" << 0 << QByteArray();
    QTest::newRow("/dev/null against a text") << "$C --count /dev/null abc.txt" << 1 << QByteArray();
    QTest::newRow("U+FEFF inside is text") << "printf 'A\\n\\357\\273\\277B\\nC\\n' > bom.txt && $C --count bom.txt abc.txt"
        << 1 << QByteArray();
    // One pipe named twice is read once and compared with itself.
    QTest::newRow("the same pipe on both sides") << "seq 1 200000 | $C --count /dev/stdin /dev/stdin | grep -qx Changes=0"
        << 0 << QByteArray();
    // The identical-bytes answer of --count refuses what the full comparison refuses.
    QTest::newRow("identical files past the line limit, --count")
        << "head -c 100000001 /dev/zero | tr '\\0' '\\n' > many.txt && $C --count many.txt many.txt" << 2
        << QByteArray("100,000,000 lines");
    QTest::newRow("a file larger than a quarter of the memory")
        << "truncate -s 1T huge.txt && $C --count huge.txt abc.txt; s=$?; rm huge.txt; exit $s" << 2
        << QByteArray("a quarter of this machine's memory");
}

void TstCli::shellUse()
{
    QFETCH(QString, command);
    QFETCH(int, code);
    QFETCH(QByteArray, err);
    QProcess p;
    p.setWorkingDirectory(fDir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("C"), QStringLiteral(PARLUNE_COMPARE_EXE));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    QVERIFY(p.waitForFinished(30000));
    const QByteArray stderrText = p.readAllStandardError();
    QCOMPARE(p.exitCode(), code);
    if (err.isEmpty())
        QCOMPARE(stderrText, QByteArray());
    else
        QVERIFY2(stderrText.contains(err) && stderrText.count('\n') == 1, stderrText.constData());
}

void TstCli::countFromPipes_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("different") << "abcd.txt" << "axd.txt" << QByteArray("Changes=2\n");
    QTest::newRow("equal") << "abc.txt" << "abc.txt" << QByteArray("Changes=0\n");
}

void TstCli::countFromPipes()
{
    // Pipes can be read once: the texts must still be compared in full.
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(QByteArray, out);
    QProcess p;
    p.start(QStringLiteral("bash"), {QStringLiteral("-c"), QStringLiteral("\"$0\" --count <(cat \"$1\") <(cat \"$2\")"),
                                    QStringLiteral(PARLUNE_COMPARE_EXE), fDir.filePath(left), fDir.filePath(right)});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.readAllStandardOutput(), out);
}

void TstCli::countAgreesWithRows_data()
{
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<QByteArray>("right");
    QTest::newRow("empty against text") << QByteArray() << QByteArray("A\nB\n");
    QTest::newRow("text against empty") << QByteArray("A\nB\n") << QByteArray();
    QTest::newRow("both empty") << QByteArray() << QByteArray();
    QTest::newRow("only empty lines against text") << QByteArray("\n\n\n") << QByteArray("A\n");
    QTest::newRow("only empty lines on both sides") << QByteArray("\n\n") << QByteArray("\r\n\r\n\r\n");
    QTest::newRow("empty lines between") << QByteArray("A\n\nB\n\n\nC\n") << QByteArray("A\nB\nX\n\nC");
    QTest::newRow("blank lines are not empty") << QByteArray("A\n \nB\n") << QByteArray("A\n\t\nB\n");
    QTest::newRow("case and blanks") << QByteArray("Ab c\n\td\n") << QByteArray("a B C\nD   \n");
    QTest::newRow("tabs and CR") << QByteArray("\tx\ry\r\n") << QByteArray("    X\nz\n");
    QTest::newRow("UTF-16 against UTF-8") << QByteArray("\xFF\xFEz\0\n\0\xE9\0\n\0", 10)
                                          << QByteArray("Z\n\xC3\x89\nq\n");
    QTest::newRow("Latin-1 bytes") << QByteArray("\xE9t\xE9\nA\n") << QByteArray("\xC9T\xC9\nB\n");
    QTest::newRow("common ends") << QByteArray("a\nb\nc\nd\ne\nf\ng\n") << QByteArray("a\nb\nc\nX\ne\nf\ng\n");
    QTest::newRow("moved block") << QByteArray("1\n2\n3\n4\n5\n6\n") << QByteArray("4\n5\n6\n1\n2\n3\n");
    QTest::newRow("tabs against spaces, a line of tabs only")
        << QByteArray("\t\t\nA\tB\n\tc\xc3\xa9\n") << QByteArray("        \nA B\n\n    C\xc3\x89\n");
}

void TstCli::countAgreesWithRows()
{
    // --count takes a path of its own without rows: its count and status
    // must be those the full comparison ends with.
    // Under every rule: the count path reads tabs as they are whenever
    // blanks do not count.
    QFETCH(QByteArray, left);
    QFETCH(QByteArray, right);
    file(QStringLiteral("count-left.txt"), left);
    file(QStringLiteral("count-right.txt"), right);
    const QStringList rules[] = {{}, {"--no-ignore-case"}, {"--no-ignore-blanks"}, {"--no-ignore-empty-lines"},
                                 {"--no-ignore-case", "--no-ignore-empty-lines"}};
    for (const QStringList &rule : rules) {
        const QStringList files{QStringLiteral("count-left.txt"), QStringLiteral("count-right.txt")};
        const TResult rows = run(rule + files);
        const TResult count = run(rule + QStringList{QStringLiteral("--count")} + files);
        QVERIFY2(rows.out.endsWith('\n') && rows.code != 2, rows.err.constData());
        const QByteArray last = rows.out.left(rows.out.size() - 1).split('\n').last() + '\n';
        QCOMPARE(count.out, last);
        QCOMPARE(count.code, rows.code);
    }
}

void TstCli::recursiveAgainstDiff_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<QString>("rule");  // the switch, or "" for the comparison's own rule
    for (quint32 seed : {1u, 2u, 3u, 4u}) {
        QTest::addRow("seed %u exact", seed) << seed << QStringLiteral("--exact");
        QTest::addRow("seed %u by lines", seed) << seed << QString();
    }
    QTest::addRow("seed 2 by lines, case counts") << 2u << QStringLiteral("--no-ignore-case");
}

// Two random trees, the right one a changed copy of the left: with --exact
// the report is what diff -rq says; by lines, files that differ only in
// letter case drop out of it, unless the rule lets case count.
void TstCli::recursiveAgainstDiff()
{
    QFETCH(quint32, seed);
    QFETCH(QString, rule);
    const bool caseCounts = !rule.isEmpty();
    QRandomGenerator rng(seed);
    const QString sub = QStringLiteral("tree%1%2/").arg(seed).arg(QString(rule).remove(u'-'));
    const QString left = fDir.filePath(sub + u'L'), right = fDir.filePath(sub + u'R');
    const QStringList names{"a", "B", "a-b", "a.b", "a_b", "ab", "z", "\xc3\xa9"};
    auto name = [&] { return names[rng.bounded(names.size())] + QString::number(rng.bounded(3)); };
    auto content = [&] {
        QByteArray text;
        for (int i = rng.bounded(6); i > 0; --i)
            text += "line " + QByteArray::number(rng.bounded(4)) + '\n';
        return text;
    };
    auto write = [](const QString &path, const QByteArray &bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    QStringList caseOnly;  // relative paths whose right copy differs in letter case only
    auto fill = [&](auto &&self, const QString &rel, int depth) -> void {
        QDir().mkpath(left + rel);
        QDir().mkpath(right + rel);
        for (int i = rng.bounded(2, 7); i > 0; --i) {
            const QString path = rel + u'/' + name();
            if (QFileInfo::exists(left + path) || QFileInfo::exists(right + path))
                continue;
            const int what = rng.bounded(20);
            if (depth < 3 && what < 4) {
                self(self, path, depth + 1);
                continue;
            }
            const QByteArray text = content();
            if (what != 4)
                write(left + path, text);
            if (what == 5)
                continue;  // left only
            if (what == 6)
                QDir().mkpath(right + path);
            else if (what == 7)
                write(right + path, text + "more\n");
            else if (what == 8 && text.contains("line")) {
                write(right + path, text.toUpper());
                caseOnly << path;
            } else
                write(right + path, text);
        }
    };
    fill(fill, QString(), 0);
    if (rule == QStringLiteral("--no-ignore-case"))
        QVERIFY2(!caseOnly.isEmpty(), "no file differs in letter case only: the row shows nothing of the rule");

    QProcess diff;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    diff.setProcessEnvironment(env);
    diff.start(QStringLiteral("diff"), {QStringLiteral("-rq"), left, right});
    QVERIFY(diff.waitForFinished(30000));
    QByteArray expected = diff.readAllStandardOutput();
    if (!caseCounts)
        for (const QString &path : std::as_const(caseOnly))
            expected.replace("Files " + (left + path).toUtf8() + " and " + (right + path).toUtf8() + " differ\n", "");

    QStringList args{QStringLiteral("-r"), sub + u'L', sub + u'R'};
    if (!rule.isEmpty())
        args.prepend(rule);
    const TResult r = run(args);
    QCOMPARE(r.out, expected);
    QCOMPARE(r.code, expected.isEmpty() ? 0 : 1);
    QVERIFY(r.err.isEmpty());
}

void TstCli::unifiedAgainstDiff_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 40; ++seed)
        QTest::addRow("seed %u", seed) << seed;
}

// Random pairs with empty lines, case and blank variants and a missing
// final break. With --exact the removed and added lines are diff
// --minimal's, and patch turns the left file into the right one byte for
// byte; by the default rule, patch still applies the hunks.
void TstCli::unifiedAgainstDiff()
{
    QFETCH(quint32, seed);
    QRandomGenerator rng(seed);
    const QList<QByteArray> pool{"alpha", "Alpha", "al pha", "alpha\t", "alpha    ", "", "beta", "BETA", "  gamma", "delta"};
    auto text = [&] {
        QByteArray t;
        for (int i = rng.bounded(0, 14); i > 0; --i)
            t += pool[rng.bounded(pool.size())] + '\n';
        if (!t.isEmpty() && rng.bounded(3) == 0)
            t.chop(1);  // no final break
        return t;
    };
    const QString leftName = QStringLiteral("ul%1.txt").arg(seed), rightName = QStringLiteral("ur%1.txt").arg(seed);
    const QByteArray leftText = text(), rightText = text();
    const QString left = file(leftName, leftText);
    const QString right = file(rightName, rightText);
    const auto tool = [](const QString &program, const QStringList &args, const QByteArray &input = {}) {
        QProcess p;
        p.start(program, args);
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(30000);
        return std::pair{p.exitCode(), p.readAllStandardOutput()};
    };
    const auto lines = [](const QByteArray &out, char sign) {
        int n = 0;
        for (const QByteArray &l : out.split('\n'))
            n += l.startsWith(sign) && !l.startsWith(QByteArray(3, sign));
        return n;
    };

    const TResult exact = run({QStringLiteral("--exact"), QStringLiteral("-u"), leftName, rightName});
    const QByteArray minimal = tool(QStringLiteral("diff"), {QStringLiteral("--minimal"), left, right}).second;
    // diff takes a last line without a break for another line than the same
    // text with one; the comparison takes the texts alone, and only the
    // output marks the break. Counts agree when both files end alike.
    if (leftText.endsWith('\n') == rightText.endsWith('\n') || leftText.isEmpty() || rightText.isEmpty()) {
        QCOMPARE(lines(exact.out, '-'), lines(minimal, '<'));
        QCOMPARE(lines(exact.out, '+'), lines(minimal, '>'));
    }
    const QString patched = fDir.filePath(QStringLiteral("up%1.txt").arg(seed));
    const auto applied = tool(QStringLiteral("patch"), {QStringLiteral("-s"), QStringLiteral("-o"), patched, left}, exact.out);
    QCOMPARE(applied.first, 0);
    QFile a(patched), b(right);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(a.readAll(), b.readAll());

    const TResult byRule = run({QStringLiteral("-u"), leftName, rightName});
    const auto dryRun = tool(QStringLiteral("patch"), {QStringLiteral("-s"), QStringLiteral("--dry-run"), left}, byRule.out);
    QVERIFY2(dryRun.first == 0, byRule.out.constData());
}

QTEST_GUILESS_MAIN(TstCli)
#include "tst_cli.moc"
