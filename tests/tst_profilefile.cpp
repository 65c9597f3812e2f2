// SPDX-License-Identifier: MIT
#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using platform::ProfileFile;

class tst_ProfileFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString fileWith(const QByteArray& content) {
        const QString path = m_dir.filePath(QStringLiteral("test.ini"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        file.write(content);
        return path;
    }

    static QByteArray contentOf(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

private slots:
    void readInt_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << QByteArray("42") << 42;
        QTest::newRow("negative") << QByteArray("-12") << -12;
        QTest::newRow("trailing text") << QByteArray("7abc") << 7;
        QTest::newRow("no number") << QByteArray("abc") << 0;
        QTest::newRow("empty") << QByteArray("") << 0;
        QTest::newRow("lone minus") << QByteArray("-") << 0;
        QTest::newRow("spaces around") << QByteArray("  15  ") << 15;
        QTest::newRow("plus sign is text") << QByteArray("+5") << 0;
        QTest::newRow("two billion") << QByteArray("2000000000") << 2000000000;
        QTest::newRow("int max") << QByteArray("2147483647") << 2147483647;
        QTest::newRow("above int max saturates")
            << QByteArray("99999999999999999999") << 2147483647;
        QTest::newRow("below int min saturates") << QByteArray("-99999999999") << -2147483647 - 1;
        QTest::newRow("hex is not read") << QByteArray("0x10") << 0;
    }
    void readInt() {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        const ProfileFile file(fileWith("[Sec]\nkey=" + value + "\n"));
        QCOMPARE(file.readInt("Sec", "key", 99), expected);
    }

    void defaultsForMissingParts() {
        const ProfileFile missing(m_dir.filePath(QStringLiteral("nothing-here.ini")));
        QCOMPARE(missing.readInt("Window Size", "x", 40), 40);
        QCOMPARE(missing.readString("Font", "facename", "Fixedsys", 40), QString("Fixedsys"));

        const ProfileFile file(fileWith("[Window Size]\nx=5\n"));
        QCOMPARE(file.readInt("Other", "x", 40), 40);
        QCOMPARE(file.readInt("Window Size", "y", 60), 60);
    }

    void namesIgnoreCase() {
        const ProfileFile file(fileWith("[wInDoW sIzE]\nREOPEN=1\n"));
        QCOMPARE(file.readInt("Window Size", "Reopen", 0), 1);
    }

    void crlfAndLfBothRead() {
        const ProfileFile crlf(fileWith("[A]\r\nk=v1\r\nn=3\r\n"));
        QCOMPARE(crlf.readString("A", "k", "", 50), QString("v1"));
        QCOMPARE(crlf.readInt("A", "n", 0), 3);
        const ProfileFile lf(fileWith("[A]\nk=v2\n"));
        QCOMPARE(lf.readString("A", "k", "", 50), QString("v2"));
    }

    void keyOnlyInItsSection() {
        const ProfileFile file(fileWith("[A]\nk=a\n[B]\nk=b\n; k=comment\n"));
        QCOMPARE(file.readString("B", "k", "", 50), QString("b"));
        QCOMPARE(file.readString("A", "k", "", 50), QString("a"));
        QCOMPARE(file.readString("B", "; k", "none", 50), QString("none"));
    }

    void readStringCutToBuffer_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fits") << QByteArray("abc") << 4 << QString("abc");
        QTest::newRow("one too long") << QByteArray("abcd") << 4 << QString("abc");
        QTest::newRow("quotes stripped") << QByteArray("\"a b\"") << 10 << QString("a b");
        QTest::newRow("utf8 not split") << QByteArray("ab\xC3\xA9") << 4 << QString("ab");
        QTest::newRow("utf8 whole")
            << QByteArray("ab\xC3\xA9") << 5 << QString::fromUtf8("ab\xC3\xA9");
        QTest::newRow("55 byte buffer") << QByteArray(60, 'x') << 55 << QString(54, 'x');
        QTest::newRow("U+FEFF inside is text") << QByteArray("a\xEF\xBB\xBF"
                                                             "b")
                                               << 10 << QString("a") + QChar(0xFEFF) + "b";
        QTest::newRow("U+FEFF first in a value is text") << QByteArray("\xEF\xBB\xBF"
                                                                       "b")
                                                         << 10 << QChar(0xFEFF) + QString("b");
    }
    void readStringCutToBuffer() {
        QFETCH(QByteArray, value);
        QFETCH(int, bufferSize);
        QFETCH(QString, expected);
        const ProfileFile file(fileWith("[S]\nk=" + value + "\n"));
        QCOMPARE(file.readString("S", "k", "", bufferSize), expected);
    }

    void writeKeepsEverythingElseInPlace() {
        const QByteArray before = "; settings\n"
                                  "[Other]\n"
                                  "foreign=1\n"
                                  "\n"
                                  "[Window Size]\n"
                                  "; a comment inside\n"
                                  "X=10\n"
                                  "junk line without equals\n"
                                  "\n"
                                  "[Last]\n"
                                  "z=9\n";
        const QString path = fileWith(before);
        ProfileFile file(path);
        file.writeInt("window size", "x", 77);
        file.writeInt("Window Size", "y", 88);
        file.writeString("New", "key", "value");
        QVERIFY(file.save());
        QCOMPARE(contentOf(path), QByteArray("; settings\n"
                                             "[Other]\n"
                                             "foreign=1\n"
                                             "\n"
                                             "[Window Size]\n"
                                             "; a comment inside\n"
                                             "X=77\n"
                                             "junk line without equals\n"
                                             "y=88\n"
                                             "\n"
                                             "[Last]\n"
                                             "z=9\n"
                                             "[New]\n"
                                             "key=value\n"));
    }

    void writeKeepsCrlfFiles() {
        const QString path = fileWith("[A]\r\nk=1\r\n");
        ProfileFile file(path);
        file.writeInt("A", "k", 2);
        QVERIFY(file.save());
        QCOMPARE(contentOf(path), QByteArray("[A]\r\nk=2\r\n"));
    }

    void oneShotCallsCreateAndReread() {
        const QString path = m_dir.filePath(QStringLiteral("created.ini"));
        QFile::remove(path);
        QVERIFY(platform::writeProfileString("History", "count", "3", path));
        QVERIFY(platform::writeProfileString("History", "Address1", "user@host", path));
        QCOMPARE(platform::getProfileInt("HISTORY", "Count", 0, path), 3);
        QCOMPARE(platform::getProfileString("History", "address1", "", 55, path),
                 QString("user@host"));
        QCOMPARE(contentOf(path), QByteArray("[History]\ncount=3\nAddress1=user@host\n"));
    }

    void saveLeavesNoTemporaryFile() {
        const QString path = fileWith("[A]\nk=1\n");
        ProfileFile file(path);
        file.writeInt("A", "k", 5);
        QVERIFY(file.save());
        const QStringList entries = QDir(m_dir.path()).entryList({"test.ini*"}, QDir::Files);
        QCOMPARE(entries, QStringList{"test.ini"});
    }

    void saveIntoMissingDirectoryFails() {
        ProfileFile file(m_dir.filePath(QStringLiteral("no/such/dir/x.ini")));
        file.writeInt("A", "k", 1);
        QVERIFY(!file.save());
    }
};

QTEST_GUILESS_MAIN(tst_ProfileFile)
#include "tst_profilefile.moc"
