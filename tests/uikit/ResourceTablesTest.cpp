// The build-time tool that turns the text and layout tables into resource
// blobs: what it writes, and that a faulty table line stops the build.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <utility>
#include <vector>

namespace {

struct TRun {
    int ExitCode = -1;
    QString Errors;
};

// Runs the tool on a table with the given lines.
TRun RunTables(const QTemporaryDir& dir, const QString& command, const QByteArray& table) {
    const QString tablePath = dir.filePath("table.txt");
    QFile file(tablePath);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(table);
    file.close();
    QProcess tool;
    tool.start(QStringLiteral(WAYLINE_RESTABLES),
               {command, tablePath, dir.filePath("out"), dir.filePath("out.manifest")});
    tool.waitForFinished(10000);
    return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardError()).trimmed()};
}

// Runs the tool on an edition's table checked against an English one.
TRun RunEdition(const QTemporaryDir& dir, const QString& command, const QString& code,
                const QByteArray& table, const QByteArray& english) {
    for (const auto& [name, bytes] : {std::pair{QStringLiteral("english.txt"), english},
                                      std::pair{QStringLiteral("table.txt"), table}}) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
    }
    QProcess tool;
    tool.start(QStringLiteral(WAYLINE_RESTABLES),
               {command, dir.filePath("table.txt"), dir.filePath("out"),
                dir.filePath("out.manifest"), QStringLiteral("--edition"), code,
                dir.filePath("english.txt")});
    tool.waitForFinished(10000);
    return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardError()).trimmed()};
}

QByteArray Blob(const QTemporaryDir& dir, const QString& name) {
    QFile file(dir.filePath("out/" + name));
    if (!file.open(QIODevice::ReadOnly))
        return "missing";
    return file.readAll();
}

} // namespace

class TResourceTablesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void TextKeepsItsSpacesAndBecomesUtf16();
    void TextOutsideTheBasicPlaneBecomesASurrogatePair();
    void MalformedTextLinesStopTheBuild();
    void RecordsAreLittleEndianSixteenBitFields();
    void RecordValuesOutOfRangeStopTheBuild();
    void ManifestListsEveryBlob();
    void AnEditionGoesUnderItsCode();
    void AnEditionOnlyReplacesWhatEnglishHas();
};

void TResourceTablesTest::TextKeepsItsSpacesAndBecomesUtf16() {
    QTemporaryDir dir;
    auto run = RunTables(dir, "texts",
                         "# comment\n\n500  \"  Gr\xC3\xB6\xC3\x9F"
                         "e  \"\n501 \"\"\n");
    QCOMPARE(run.ExitCode, 0);
    QCOMPARE(Blob(dir, "WSDATA/500"), QByteArray(" \0 \0G\0r\0\xF6\0\xDF\0e\0 \0 \0", 18));
    QCOMPARE(Blob(dir, "WSDATA/501"), QByteArray());
}

void TResourceTablesTest::TextOutsideTheBasicPlaneBecomesASurrogatePair() {
    QTemporaryDir dir;
    QCOMPARE(RunTables(dir, "texts", "7 \"\xF0\x9F\x98\x80\"\n").ExitCode, 0);
    QCOMPARE(Blob(dir, "WSDATA/7"), QByteArray("\x3D\xD8\x00\xDE", 4));
}

void TResourceTablesTest::MalformedTextLinesStopTheBuild() {
    QTemporaryDir dir;
    const QString table = dir.filePath("table.txt");
    auto run = RunTables(dir, "texts", "500 \"a\"\n\n500 \"b\"\n");
    QCOMPARE(run.ExitCode, 1);
    QCOMPARE(run.Errors, table + ":3: error: resource 500 defined twice");
    run = RunTables(dir, "texts", "501 no quotes\n");
    QCOMPARE(run.Errors, table + ":1: error: the text must be in double quotes");
    run = RunTables(dir, "texts", "502 \"\xC3\"\n");
    QCOMPARE(run.Errors, table + ":1: error: the text is not valid UTF-8");
    run = RunTables(dir, "texts", "\"no number\"\n");
    QCOMPARE(run.Errors, table + ":1: error: a text line starts with its number");
}

void TResourceTablesTest::RecordsAreLittleEndianSixteenBitFields() {
    QTemporaryDir dir;
    auto run = RunTables(dir, "layout",
                         "pic 1  7 1 2 801 577 1 0 1   # background\n"
                         "ctl 66 300 4 65535 0\n"
                         "bytes 360 0\n"
                         "ascii 361 \"DC\"\n");
    QCOMPARE(run.ExitCode, 0);
    QCOMPARE(Blob(dir, "DATA/1"),
             QByteArray("\x07\0\x01\0\x02\0\x21\x03\x41\x02\x01\0\0\0\x01\0", 16));
    QCOMPARE(Blob(dir, "DATA/66"), QByteArray("\x2C\x01\x04\0\xFF\xFF\0\0", 8));
    QCOMPARE(Blob(dir, "DATA/360"), QByteArray("\0", 1));
    QCOMPARE(Blob(dir, "DATA/361"), QByteArray("DC"));
}

void TResourceTablesTest::RecordValuesOutOfRangeStopTheBuild() {
    QTemporaryDir dir;
    const QString table = dir.filePath("table.txt");
    auto run = RunTables(dir, "layout", "ctl 66 0 0 65536 1\n");
    QCOMPARE(run.ExitCode, 1);
    QCOMPARE(run.Errors, table + ":1: error: value 65536 does not fit 16 bits");
    run = RunTables(dir, "layout", "ctl 66 0 0 -1 1\n");
    QCOMPARE(run.Errors, table + ":1: error: value -1 does not fit 16 bits");
    run = RunTables(dir, "layout", "pic 2 0 0 0 1 1 2 0 1\n");
    QCOMPARE(run.Errors, table + ":1: error: stretch, transparent and visible are 0 or 1");
    run = RunTables(dir, "layout", "ctl 66 0 0 1\n");
    QCOMPARE(run.Errors, table + ":1: error: expected 4 numbers");
    run = RunTables(dir, "layout", "ctl 66 0 0 1 1 5\n");
    QCOMPARE(run.Errors, table + ":1: error: unexpected '5' (comments start with #)");
    run = RunTables(dir, "layout", "box 66 0 0 1 1\n");
    QCOMPARE(run.Errors, table + ":1: error: unknown record shape 'box' (pic, ctl, bytes, ascii)");
    run = RunTables(dir, "layout", "bytes 360 256\n");
    QCOMPARE(run.Errors, table + ":1: error: a byte is 0 to 255");
}

void TResourceTablesTest::ManifestListsEveryBlob() {
    QTemporaryDir dir;
    QCOMPARE(RunTables(dir, "layout", "ctl 66 1 2 3 4\nctl 75 0 0 526 527\n").ExitCode, 0);
    QFile manifest(dir.filePath("out.manifest"));
    QVERIFY(manifest.open(QIODevice::ReadOnly));
    const QString out = dir.filePath("out");
    QCOMPARE(QString::fromUtf8(manifest.readAll()),
             QStringLiteral("DATA 66 %1/DATA/66\nDATA 75 %1/DATA/75\n").arg(out));
}

void TResourceTablesTest::AnEditionGoesUnderItsCode() {
    QTemporaryDir dir;
    auto run = RunEdition(dir, "texts", "de", "715 \"Schritt {step}: {action}\"\n",
                          "715 \"Step {step}: {action}\"\n716 \"Other\"\n");
    QCOMPARE(run.ExitCode, 0);
    QCOMPARE(Blob(dir, "de/WSDATA/715").left(4), QByteArray("S\0c\0", 4));
    QCOMPARE(Blob(dir, "WSDATA/715"), QByteArray("missing"));
    QFile manifest(dir.filePath("out.manifest"));
    QVERIFY(manifest.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(manifest.readAll()),
             QStringLiteral("de/WSDATA 715 %1/de/WSDATA/715\n").arg(dir.filePath("out")));

    run = RunEdition(dir, "layout", "de", "ascii 361 \"EKNFZLVRTASB\"\n",
                     "ctl 66 1 2 3 4\nascii 361 \"DCTPUGVRELSQ\"\n");
    QCOMPARE(run.ExitCode, 0);
    QCOMPARE(Blob(dir, "de/DATA/361"), QByteArray("EKNFZLVRTASB"));
}

void TResourceTablesTest::AnEditionOnlyReplacesWhatEnglishHas() {
    QTemporaryDir dir;
    const QString table = dir.filePath("table.txt");
    const QString english = dir.filePath("english.txt");
    auto run = RunEdition(dir, "texts", "fr", "715 \"\xC3\x89tape {step} : {actoin}\"\n",
                          "715 \"Step {step}: {action}\"\n");
    QCOMPARE(run.ExitCode, 1);
    QCOMPARE(run.Errors, table + ":1: error: text 715 has the placeholders {actoin} {step}, "
                                 "the English text {action} {step}");
    run = RunEdition(dir, "texts", "fr", "999 \"Bonjour\"\n", "715 \"Step\"\n");
    QCOMPARE(run.Errors, table + ":1: error: text 999 is not in " + english);
    run = RunEdition(dir, "layout", "fr", "pic 66 0 1 2 3 4 0 0 1\n", "ctl 66 1 2 3 4\n");
    QCOMPARE(run.Errors, table + ":1: error: record 66 must have the shape and size it has in " +
                             english + " (ctl, 8 bytes)");
    run = RunEdition(dir, "layout", "fr", "ascii 361 \"ECU\"\n",
                     "ascii 361 \"DCTPUGVRELSQ\"\n");
    QCOMPARE(run.ExitCode, 1);
    run = RunEdition(dir, "texts", "French", "715 \"x\"\n", "715 \"Step\"\n");
    QCOMPARE(run.ExitCode, 1);
}

std::vector<std::unique_ptr<QObject>> MakeResourceTablesTests() {
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<TResourceTablesTest>());
    return tests;
}

#include "ResourceTablesTest.moc"
