// SPDX-License-Identifier: MIT
#include "net/engine/SocketErrorText.h"
#include "platform/WinsockErrors.h"
#include "view/ReplyText.h"

#include <QTest>

#include <cerrno>

class tst_ReplyText : public QObject {
    Q_OBJECT

    // A byte a character where the block allows, else in UTF-16, as the query engine converts.
    static QString convertedAsTheEngineDoes(const QList<QByteArray>& blocks) {
        view::ReplyText reply;
        QString text;
        for (const QByteArray& block : blocks) {
            QByteArray latin1;
            if (reply.convertLatin1Into(block.constData(), block.size(), latin1))
                text += QString::fromLatin1(latin1);
            else
                reply.convertInto(block.constData(), block.size(), text);
        }
        return text + reply.finish();
    }

private slots:
    void convert_data() {
        QTest::addColumn<QList<QByteArray>>("blocks");
        QTest::addColumn<QString>("expected");
        using L = QList<QByteArray>;
        QTest::newRow("lone LF") << L{"a\nb"} << "a\nb";
        QTest::newRow("CR LF") << L{"a\r\nb"} << "a\nb";
        QTest::newRow("lone CR") << L{"a\rb"} << "a\nb";
        QTest::newRow("CR at block end") << L{"a\r"} << "a\n";
        QTest::newRow("CR LF split over blocks") << L{"a\r", "\nb"} << "a\nb";
        QTest::newRow("CR CR LF") << L{"a\r\r\nb"} << "a\n\nb";
        QTest::newRow("LF CR is two") << L{"a\n\rb"} << "a\n\nb";
        QTest::newRow("empty block keeps CR state") << L{"a\r", "", "\nb"} << "a\nb";
        QTest::newRow("NUL is kept") << L{QByteArray("[\0]", 3)} << QString("[") + QChar(0) + "]";
        QTest::newRow("CR NUL LF")
            << L{QByteArray("a\r\0\nb", 5)} << QString("a\n") + QChar(0) + "\nb";
        QTest::newRow("utf8") << L{"gr\xC3\xBC\xC3\x9F"} << QString::fromUtf8("gr\xC3\xBC\xC3\x9F");
        QTest::newRow("utf8 split") << L{"\xE2\x82", "\xAC!"} << QString::fromUtf8("\xE2\x82\xAC!");
        QTest::newRow("4-byte split")
            << L{"\xF0\x9F", "\x98", "\x80"} << QString::fromUtf8("\xF0\x9F\x98\x80");
        QTest::newRow("latin1 byte") << L{"caf\xE9!"} << QString::fromLatin1("caf\xE9!");
        QTest::newRow("latin1 at block end")
            << L{"caf\xE9", "!"} << QString::fromLatin1("caf\xE9!");
        QTest::newRow("overlong") << L{"\xC0\x80"} << QString::fromLatin1("\xC0\x80");
        QTest::newRow("surrogate") << L{"\xED\xA0\x80"} << QString::fromLatin1("\xED\xA0\x80");
        QTest::newRow("above U+10FFFF")
            << L{"\xF4\x90\x80\x80"} << QString::fromLatin1("\xF4\x90\x80\x80");
        QTest::newRow("cut by line end") << L{"\xC3\n"} << QString::fromLatin1("\xC3\n");
        QTest::newRow("lone continuation") << L{"\x80\xBF"} << QString::fromLatin1("\x80\xBF");
    }
    void convert() {
        QFETCH(QList<QByteArray>, blocks);
        QFETCH(QString, expected);
        view::ReplyText reply;
        QString text;
        for (const QByteArray& block : blocks)
            text += reply.convert(block);
        text += reply.finish();
        QCOMPARE(text, expected);
        QCOMPARE(convertedAsTheEngineDoes(blocks), expected);
    }

    // Which blocks the engine may keep a byte a character: only one that cannot hold a
    // character beyond U+00FF, counting a sequence begun in the block before.
    void latin1Blocks_data() {
        QTest::addColumn<QList<QByteArray>>("blocks");
        QTest::addColumn<QList<bool>>("narrow");
        using L = QList<QByteArray>;
        using B = QList<bool>;
        QTest::newRow("ASCII, CR LF, NUL") << L{QByteArray("a\r\n\0b", 6)} << B{true};
        QTest::newRow("U+00E9 in UTF-8") << L{"caf\xC3\xA9"} << B{true};
        QTest::newRow("U+00E9 split over blocks") << L{"caf\xC3", "\xA9!"} << B{true, true};
        QTest::newRow("U+20AC") << L{"\xE2\x82\xAC"} << B{false};
        QTest::newRow("U+20AC begun in the block before")
            << L{"a\xE2", "\x82\xAC b"} << B{false, false};
        QTest::newRow("plain again after it") << L{"\xE2\x82\xAC", "plain"} << B{false, true};
    }
    void latin1Blocks() {
        QFETCH(QList<QByteArray>, blocks);
        QFETCH(QList<bool>, narrow);
        view::ReplyText reply;
        for (qsizetype i = 0; i < blocks.size(); ++i) {
            QByteArray latin1;
            QString wide;
            const bool taken =
                reply.convertLatin1Into(blocks[i].constData(), blocks[i].size(), latin1);
            QCOMPARE(taken, narrow[i]);
            if (!taken) {
                QVERIFY(latin1.isEmpty());
                reply.convertInto(blocks[i].constData(), blocks[i].size(), wide);
            }
        }
    }

    // A block is read sixteen plain bytes at a time; each byte that needs the state machine is
    // put at every offset around those chunks, and the whole block must come out as it does
    // when the same bytes arrive one at a time.
    void wholeBlockMatchesByteByByte_data() {
        QTest::addColumn<QByteArray>("special");
        QTest::newRow("NUL") << QByteArray(1, '\0');
        QTest::newRow("tab, a control below CR") << QByteArray("\t");
        QTest::newRow("CR") << QByteArray("\r");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("0x0E, the first plain byte") << QByteArray("\x0E");
        QTest::newRow("CR then 0x0E") << QByteArray("\r\x0E");
        QTest::newRow("DEL") << QByteArray("\x7F");
        QTest::newRow("lone 0x80") << QByteArray("\x80");
        QTest::newRow("two-byte UTF-8") << QByteArray("\xC3\xA9");
        QTest::newRow("four-byte UTF-8") << QByteArray("\xF0\x9F\x98\x80");
        QTest::newRow("0xFF") << QByteArray("\xFF");
    }
    void wholeBlockMatchesByteByByte() {
        QFETCH(QByteArray, special);
        const QByteArray plain = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ!";
        for (qsizetype at = 0; at <= 40; ++at) {
            const QByteArray block = plain.left(at) + special + plain.mid(at);
            view::ReplyText whole;
            const QString wholeText = whole.convert(block) + whole.finish();
            view::ReplyText single;
            QString singleText;
            for (char byte : block)
                singleText += single.convert(&byte, 1);
            singleText += single.finish();
            QVERIFY2(wholeText == singleText, qPrintable(QStringLiteral("at %1").arg(at)));
            QCOMPARE(convertedAsTheEngineDoes({block}), singleText);
            QVERIFY(wholeText.startsWith(QLatin1StringView(plain.left(at))));
            QVERIFY(wholeText.endsWith(QLatin1StringView(plain.mid(at))));
        }
    }

    void unfinishedSequenceWaitsForMore() {
        view::ReplyText reply;
        QCOMPARE(reply.convert("\xE2\x82"), QString());
        QCOMPARE(reply.finish(), QString::fromLatin1("\xE2\x82"));
    }

    void errorTexts_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("10004") << 10004 << "Blocking call canceled";
        QTest::newRow("10022 shares 10061's text") << 10022 << "Connection refused";
        QTest::newRow("10035") << 10035 << "Requested operation would block...";
        QTest::newRow("10044 has none") << 10044 << "Windows Sockets error: 10044";
        QTest::newRow("10050") << 10050 << "WinSock says the network is down";
        QTest::newRow("10054") << 10054 << "Connection reset by peer";
        QTest::newRow("10059") << 10059 << "Too many references: can't splice";
        QTest::newRow("10060") << 10060 << "Timed out";
        QTest::newRow("10061") << 10061 << "Connection refused";
        QTest::newRow("10071") << 10071 << "Too many levels of remote path";
        QTest::newRow("10093") << 10093 << "Windows Sockets API not initialized";
        QTest::newRow("11001") << 11001 << "Host not found";
        QTest::newRow("11002") << 11002 << "Non-authoritative host not found";
        QTest::newRow("11003") << 11003 << "Non-recoverable recover";
        QTest::newRow("11004") << 11004 << "No data record of requested type";
        QTest::newRow("0") << 0 << "Windows Sockets error: 0";
        QTest::newRow("negative") << -1 << "Windows Sockets error: -1";
    }
    void errorTexts() {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(net::SocketErrorText(code), text);
    }

    void errnoMapsToBsdNumbers_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("code");
        QTest::newRow("refused") << ECONNREFUSED << 10061;
        QTest::newRow("reset") << ECONNRESET << 10054;
        QTest::newRow("timed out") << ETIMEDOUT << 10060;
        QTest::newRow("net unreachable") << ENETUNREACH << 10051;
        QTest::newRow("host unreachable") << EHOSTUNREACH << 10065;
        QTest::newRow("would block") << EAGAIN << 10035;
        QTest::newRow("in progress") << EINPROGRESS << 10036;
        QTest::newRow("not a socket") << ENOTSOCK << 10038;
        QTest::newRow("address in use") << EADDRINUSE << 10048;
        QTest::newRow("too many files") << EMFILE << 10024;
        QTest::newRow("none") << 0 << 0;
    }
    void errnoMapsToBsdNumbers() {
        QFETCH(int, error);
        QFETCH(int, code);
        QCOMPARE(platform::wsaErrorFromErrno(error), code);
    }
};

QTEST_GUILESS_MAIN(tst_ReplyText)
#include "tst_replytext.moc"
