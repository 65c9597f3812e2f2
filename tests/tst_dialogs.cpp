// SPDX-License-Identifier: MIT
#include "dialogs/Base_Dialog.h"
#include "dialogs/CompareServers_Dialog.h"
#include "dialogs/DNS_Dialog.h"
#include "dialogs/DnsRecords_Dialog.h"
#include "dialogs/Finger_Dialog.h"
#include "dialogs/Mail_Dialog.h"
#include "dialogs/StoredList.h"
#include "dialogs/Whois_Dialog.h"
#include "platform/CheckList.h"
#include "platform/DialogTemplate.h"
#include "platform/ProfileFile.h"
#include "resources/DialogTemplates.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "Typing.h"
#include "WhenModal.h"

using dialogs::Base_Dialog;
using dialogs::Finger_Dialog;
using dialogs::Whois_Dialog;

class tst_Dialogs : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QWidget m_parent;
    QString iniPath() const { return m_dir.filePath("vintrel.ini"); }

    void writeIni(const QByteArray& content) {
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    QString ini(const QString& section, const QString& key) const {
        return platform::getProfileString(section, key, "<none>", 100, iniPath());
    }
    static QStringList items(const QComboBox* box) {
        QStringList list;
        for (int i = 0; i < box->count(); ++i)
            list.append(box->itemText(i));
        return list;
    }
    static QStringList items(const platform::CheckList* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts.append(list->text(i));
        return texts;
    }
    static QStringList items(const QListWidget* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts.append(list->item(i)->text());
        return texts;
    }

    // Opens a Finger dialog over m_parent, as the Finger query command does.
    std::unique_ptr<Finger_Dialog> fingerDialog(bool keepHistory, AddrInfo* info) {
        auto dialog = std::make_unique<Finger_Dialog>(&m_parent, res::DLG_FINGER, iniPath(),
                                                      keepHistory, info);
        dialog->show();
        return dialog;
    }
    std::unique_ptr<Whois_Dialog> whoisDialog(WhoisInfo* info) {
        auto dialog = std::make_unique<Whois_Dialog>(&m_parent, res::DLG_WHOIS, iniPath(), info);
        dialog->show();
        return dialog;
    }

    // How many pixels of image in the row y between x0 and x1 show the dialog's background.
    static int backgroundPixels(const QImage& image, int y, int x0, int x1, QRgb background) {
        int count = 0;
        for (int x = x0; x <= x1; ++x)
            count += image.pixel(x, y) == background;
        return count;
    }

private slots:
    void initTestCase() { m_parent.setGeometry(100, 100, 600, 400); }

    // Frames drawn as the templates draw them: the Finger dialog's label masks the frame edge
    // it sits on, and a group box is a rectangle through its title, with nothing of it showing
    // between the list inside it and its own edge.
    void framesAreDrawnAsInTheTemplate() {
        dialogs::Base_Dialog finger(&m_parent, res::DLG_FINGER);
        finger.show();
        QVERIFY(QTest::qWaitForWindowExposed(&finger));
        const QImage fingerImage = finger.grab().toImage();
        const QRgb background = finger.palette().color(QPalette::Window).rgb();
        QLabel* label = nullptr;
        for (QLabel* candidate : finger.findChildren<QLabel*>())
            if (candidate->text().startsWith("Address in form"))
                label = candidate;
        QVERIFY(label);
        const int edge = platform::dialogUnitsToPixels(QRect(4, 8, 189, 45), finger.font()).y();
        const QRect on = label->geometry();
        // Half the row crosses letters; without the mask none of it would be background.
        QVERIFY(backgroundPixels(fingerImage, edge, on.left(), on.right(), background) >
                on.width() / 4);

        dialogs::Base_Dialog book(&m_parent, res::DLG_ADDRBOOK);
        book.show();
        QVERIFY(QTest::qWaitForWindowExposed(&book));
        const QImage bookImage = book.grab().toImage();
        const QRect list = book.control(res::IDC_ADDRBOOK_LIST)->geometry();
        const QRect group = platform::dialogUnitsToPixels(QRect(6, 3, 230, 71), book.font());
        QVERIFY(list.bottom() < group.bottom());
        const int gap = group.right() - 3 - (list.right() + 1);
        QCOMPARE(backgroundPixels(bookImage, list.center().y(), list.right() + 1, group.right() - 4,
                                  background),
                 gap);
    }
    void init() { QFile::remove(iniPath()); }

    void centredPosition_data() {
        QTest::addColumn<QRect>("parent");
        QTest::addColumn<QSize>("dialog");
        QTest::addColumn<QPoint>("expected");
        const QSize d(300, 200);
        QTest::newRow("worked example") << QRect(100, 100, 600, 400) << d << QPoint(250, 212);
        QTest::newRow("parent off the left edge")
            << QRect(-500, 100, 600, 400) << d << QPoint(0, 212);
        QTest::newRow("past the right edge") << QRect(900, 100, 600, 400) << d << QPoint(724, 212);
        QTest::newRow("parent at the bottom") << QRect(100, 700, 600, 400) << d << QPoint(250, 568);
        QTest::newRow("within 12 of the bottom")
            << QRect(100, 460, 600, 400) << d << QPoint(250, 572);
        QTest::newRow("minimised far off") << QRect(-32000, -32000, 160, 24) << d << QPoint(0, 12);
        QTest::newRow("rounds toward zero") << QRect(0, 100, 297, 400) << d << QPoint(0, 212);
        QTest::newRow("rounds toward zero inside")
            << QRect(101, 100, 297, 400) << d << QPoint(100, 212);
        QTest::newRow("wider than the screen")
            << QRect(0, 100, 600, 400) << QSize(1100, 200) << QPoint(-76, 212);
    }
    void centredPosition() {
        QFETCH(QRect, parent);
        QFETCH(QSize, dialog);
        QFETCH(QPoint, expected);
        QCOMPARE(Base_Dialog::centredPosition(parent, dialog, QSize(1024, 768)), expected);
    }

    void dialogOpensCentredOverItsParent() {
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        const QRect parent = m_parent.frameGeometry();
        const QSize size = dialog->frameGeometry().size();
        QCOMPARE(dialog->pos().x(), parent.left() + (parent.width() - size.width()) / 2);
        QCOMPARE(dialog->pos().y(), parent.top() + (parent.height() - size.height()) / 2 + 12);
    }

    void fingerTemplateBuildsItsControls() {
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        QCOMPARE(dialog->windowTitle(), QString("Finger"));
        QCOMPARE(dialog->control<QPushButton>(res::IDOK)->text(), QString("F&inger"));
        QCOMPARE(dialog->control<QPushButton>(res::IDCANCEL)->text(), QString("&Cancel"));
        QCOMPARE(dialog->fullInfoBox()->text(), QString(" Full user info"));
        QStringList labels;
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            labels.append(label->text());
            QCOMPARE(label->textFormat(), Qt::PlainText);
        }
        QVERIFY(labels.contains("Address in form: user@host or host:"));
        // Laid out in dialog units: the dialog is 198 x 79 units, the OK button right of Cancel.
        const QRect expected = platform::dialogUnitsToPixels(QRect(0, 0, 198, 79), dialog->font());
        QCOMPARE(dialog->size(), expected.size());
        QVERIFY(dialog->control(res::IDOK)->x() > dialog->control(res::IDCANCEL)->x());
        // The address box has the focus; Tab goes as the controls stand on the screen.
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        QCOMPARE(QApplication::focusWidget(), dialog->addressBox());
        for (QWidget* next : {dialog->control(res::IDC_FINGER_FULLINFO),
                              dialog->control(res::IDCANCEL), dialog->control(res::IDOK)}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void whoisTabFollowsTheScreen() {
        WhoisInfo info;
        auto dialog = whoisDialog(&info);
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        QStringList visited;
        for (int step = 0; step < 6; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            const auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
            visited.append(button ? button->text() : QString("field"));
        }
        QCOMPARE(visited, (QStringList{"field", "Au&tomatic server", "&Follow referrals", "&Cancel",
                                       "&Delete", "&WhoIs"}));
    }

    void entryCheck_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("passes");
        QTest::newRow("address") << "user@host" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("leading space") << " user@host" << false;
        QTest::newRow("only bangs") << "!!!" << false;
        QTest::newRow("only ats") << "@@@" << true;
        QTest::newRow("brace first") << "{host" << false;
        QTest::newRow("bar first") << "|host" << false;
        QTest::newRow("tilde first") << "~host" << false;
        QTest::newRow("z first") << "z" << true;
        QTest::newRow("bang then digit") << "!1" << true;
        QTest::newRow("non-ascii first") << QString::fromUtf8("\xC3\xA9t\xC3\xA9") << false;
        QTest::newRow("non-ascii after") << QString::fromUtf8("h\xC3\xB4te") << true;
    }
    void entryCheck() {
        QFETCH(QString, text);
        QFETCH(bool, passes);
        QCOMPARE(dialogs::passesEntryCheck(text), passes);
    }

    void fingerFirstUse() {
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        QCOMPARE(dialog->addressBox()->count(), 0);
        QVERIFY(dialog->fullInfoBox()->isChecked());
        QCOMPARE(dialog->addressBox()->currentText(), QString());
    }

    void fingerCancelStillStoresHistory() {
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        typeInto(dialog->addressBox()->lineEdit(), "user@host");
        dialog->fullInfoBox()->setChecked(false);
        QTest::mouseClick(dialog->control(res::IDCANCEL), Qt::LeftButton);
        QCOMPARE(dialog->result(), int(res::IDCANCEL));
        QCOMPARE(ini("History", "count"), QString("1"));
        QCOMPARE(ini("History", "index"), QString("0"));
        QCOMPARE(ini("History", "Address1"), QString("user@host"));
        QCOMPARE(ini("Options", "full_info"), QString("0"));
        QCOMPARE(info.address, QString("user@host"));
        QCOMPARE(info.fullInfo, 0);
    }

    // What the user types is what is handed over and stored, whatever the list holds.
    void typedTextIsWhatIsUsed_data() {
        QTest::addColumn<QString>("history");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("prefix of an entry") << "bob@host"
                                            << "bob" << QStringList{"bob", "bob@host"};
        QTest::newRow("capitals of an entry") << "mia@host"
                                              << "MIA@HOST" << QStringList{"mia@host", "MIA@HOST"};
        QTest::newRow("the entry itself") << "mia@host"
                                          << "mia@host" << QStringList{"mia@host"};
    }
    void typedTextIsWhatIsUsed() {
        QFETCH(QString, history);
        QFETCH(QString, typed);
        QFETCH(QStringList, stored);
        writeIni("[History]\ncount=1\nindex=0\nAddress1=" + history.toUtf8() + "\n");
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        QLineEdit* field = dialog->addressBox()->lineEdit();
        typeInto(field, typed);
        QTest::keyClick(field, Qt::Key_Return); // one Enter closes the dialog
        QCOMPARE(dialog->result(), int(res::IDOK));
        QCOMPARE(info.address, typed);
        QStringList history2;
        for (int i = 1; i <= ini("History", "count").toInt(); ++i)
            history2.append(ini("History", QString("Address%1").arg(i)));
        QCOMPARE(history2, stored);
    }

    void pickingFromTheDropDownStillWorks() {
        writeIni("[History]\ncount=2\nindex=-1\nAddress1=a@one\nAddress2=b@two\n");
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        QComboBox* box = dialog->addressBox();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down, Qt::AltModifier); // opens the list
        QTRY_VERIFY(box->view()->isVisible());
        QTest::keyClick(box->view(), Qt::Key_Down);
        QTest::keyClick(box->view(), Qt::Key_Return); // picks the entry
        QCOMPARE(box->currentText(), QString("b@two"));
        QTest::mouseClick(dialog->control(res::IDOK), Qt::LeftButton);
        QCOMPARE(info.address, QString("b@two"));
    }

    void fingerDialogStaysOnTop() {
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        QVERIFY(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    }

    void whoisTypedPrefixIsTheServer() {
        writeIni("[WhoIs]\ncount=1\nindex=0\nServer1=whois.example.net\n");
        WhoisInfo info;
        auto dialog = whoisDialog(&info);
        typeInto(dialog->queryField(), "example.com");
        typeInto(dialog->serverBox()->lineEdit(), "whois");
        QTest::keyClick(dialog->serverBox()->lineEdit(), Qt::Key_Return);
        QCOMPARE(dialog->result(), int(res::IDOK));
        QCOMPARE(info.server, QString("whois"));
        QCOMPARE(info.query, QString("example.com"));
    }

    void fingerHistoryStaysSorted() {
        writeIni("[History]\ncount=3\nindex=0\nAddress1=zed@b\nAddress2=Mia@a\nAddress3=al@c\n");
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        QCOMPARE(items(dialog->addressBox()), (QStringList{"al@c", "Mia@a", "zed@b"}));
        typeInto(dialog->addressBox()->lineEdit(), "MIA@a");
        QTest::mouseClick(dialog->control(res::IDOK), Qt::LeftButton);
        QCOMPARE(dialog->result(), int(res::IDOK));
        // Case differs, so both stay, next to each other; the new one is selected.
        QCOMPARE(ini("History", "count"), QString("4"));
        QCOMPARE(ini("History", "Address1"), QString("al@c"));
        QCOMPARE(ini("History", "Address2"), QString("Mia@a"));
        QCOMPARE(ini("History", "Address3"), QString("MIA@a"));
        QCOMPARE(ini("History", "Address4"), QString("zed@b"));
        QCOMPARE(ini("History", "index"), QString("2"));
        QCOMPARE(info.address, QString("MIA@a"));
    }

    void fingerIndexSelectsSortedPosition() {
        writeIni("[History]\ncount=5\nindex=2\nAddress1=e\nAddress2=d\nAddress3=c\nAddress4="
                 "b\nAddress5=a\n");
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        QCOMPARE(dialog->addressBox()->currentText(), QString("c"));
        dialog->done(res::IDOK);
        QCOMPARE(info.address, QString("c"));
    }

    void fingerExactDuplicateNotAdded() {
        writeIni("[History]\ncount=1\nAddress1=user@host\n");
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        typeInto(dialog->addressBox()->lineEdit(), "user@host");
        dialog->done(res::IDOK);
        QCOMPARE(ini("History", "count"), QString("1"));
    }

    void fingerFailedCheckIsHandedOverButNotStored() {
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        typeInto(dialog->addressBox()->lineEdit(), " user@host");
        dialog->done(res::IDOK);
        QCOMPARE(info.address, QString(" user@host"));
        QCOMPARE(ini("History", "count"), QString("<none>")); // an empty list is not written
    }

    void fingerWithoutKeepingHistory() {
        writeIni("[History]\ncount=2\nindex=1\nAddress1=a@x\nAddress2=b@y\n");
        AddrInfo info;
        auto dialog = fingerDialog(false, &info);
        QCOMPARE(items(dialog->addressBox()), (QStringList{"a@x", "b@y"}));
        QCOMPARE(dialog->addressBox()->currentText(), QString());
        QCOMPARE(dialog->addressBox()->currentIndex(), -1);
        typeInto(dialog->addressBox()->lineEdit(), "new@host");
        dialog->done(res::IDOK);
        QCOMPARE(ini("History", "count"), QString("2"));
        QCOMPARE(ini("Options", "full_info"), QString("1"));
        QCOMPARE(info.address, QString("new@host"));
        QCOMPARE(info.fullInfo, 1);
    }

    void fingerEmptyFieldLeavesAddressEmpty() {
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        dialog->done(res::IDOK);
        QCOMPARE(info.address, QString());
    }

    void fingerFieldHoldsFortyNineBytes() {
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        QCOMPARE(dialog->addressBox()->lineEdit()->maxLength(), 49);
        typeInto(dialog->addressBox()->lineEdit(),
                 QString(48, 'a') + QString::fromUtf8("\xC3\xA9"));
        dialog->done(res::IDOK);
        QCOMPARE(info.address, QString(48, 'a')); // the character would straddle byte 49
    }

    void hostileCountIsCapped() {
        writeIni("[History]\ncount=2000000000\nAddress1=first@host\n[WhoIs]\ncount="
                 "2000000000\nServer1=whois.example\n");
        AddrInfo info;
        auto finger = fingerDialog(false, &info);
        QCOMPARE(finger->addressBox()->count(), dialogs::MaxStoredEntries);
        QVERIFY(items(finger->addressBox()).contains("first@host"));
        WhoisInfo whois;
        auto server = whoisDialog(&whois);
        QCOMPARE(server->serverBox()->count(), dialogs::MaxStoredEntries);
        QCOMPARE(server->serverBox()->itemText(0), QString("whois.example"));
    }

    void longStoredValueIsCut() {
        writeIni("[History]\ncount=1\nAddress1=" + QByteArray(70, 'x') + "\n");
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        QCOMPARE(dialog->addressBox()->itemText(0), QString(54, 'x'));
    }

    void whoisFirstUse() {
        WhoisInfo info;
        auto dialog = whoisDialog(&info);
        QCOMPARE(dialog->serverBox()->count(), 0);
        QCOMPARE(dialog->queryField()->text(), QString());
        int asked = 0;
        dialog->confirmDelete = [&](const QString&) { return ++asked, true; };
        dialog->Delete();
        QCOMPARE(asked, 0);
        QTest::mouseClick(dialog->control(res::IDCANCEL), Qt::LeftButton);
        QCOMPARE(ini("WhoIs", "count"), QString("0"));
        QCOMPARE(ini("WhoIs", "index"), QString("-1"));
    }

    void whoisNewServerIsAppendedAndSelected() {
        writeIni("[WhoIs]\ncount=2\nindex=0\nServer1=whois.b\nServer2=whois.a\n");
        WhoisInfo info;
        auto dialog = whoisDialog(&info);
        QCOMPARE(items(dialog->serverBox()), (QStringList{"whois.b", "whois.a"}));
        QCOMPARE(dialog->serverBox()->currentText(), QString("whois.b"));
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        QCOMPARE(QApplication::focusWidget(), dialog->queryField());
        typeInto(dialog->queryField(), "example.com");
        typeInto(dialog->serverBox()->lineEdit(), "whois.c");
        QTest::mouseClick(dialog->control(res::IDOK), Qt::LeftButton);
        QCOMPARE(dialog->result(), int(res::IDOK));
        QCOMPARE(ini("WhoIs", "count"), QString("3"));
        QCOMPARE(ini("WhoIs", "index"), QString("2"));
        QCOMPARE(ini("WhoIs", "Server3"), QString("whois.c"));
        QCOMPARE(info.server, QString("whois.c"));
        QCOMPARE(info.query, QString("example.com"));
    }

    void whoisCancelStillStores() {
        WhoisInfo info;
        auto dialog = whoisDialog(&info);
        typeInto(dialog->serverBox()->lineEdit(), "whois.new");
        dialog->reject();
        QCOMPARE(dialog->result(), int(res::IDCANCEL));
        QCOMPARE(ini("WhoIs", "Server1"), QString("whois.new"));
    }

    // With no stored server the root registry chooses one; typing a server takes it back.
    // Follow referrals is on at first and kept in the settings file.
    void whoisAutomaticServerAndReferrals() {
        WhoisInfo automatic;
        auto first = whoisDialog(&automatic);
        QVERIFY(first->automaticBox()->isChecked());
        QVERIFY(first->followBox()->isChecked());
        typeInto(first->queryField(), "example.test");
        QTest::mouseClick(first->followBox(), Qt::LeftButton);
        QTest::mouseClick(first->control(res::IDOK), Qt::LeftButton);
        QVERIFY(automatic.automatic);
        QVERIFY(!automatic.followReferrals);
        QCOMPARE(ini("WhoIs", "follow_referrals"), QString("0"));
        QCOMPARE(ini("WhoIs", "count"), QString("0")); // nothing stored for the automatic choice

        WhoisInfo named;
        auto second = whoisDialog(&named);
        QVERIFY(!second->followBox()->isChecked());
        typeInto(second->queryField(), "example.test");
        typeInto(second->serverBox()->lineEdit(), "whois.example");
        QVERIFY(!second->automaticBox()->isChecked());
        QTest::mouseClick(second->control(res::IDOK), Qt::LeftButton);
        QVERIFY(!named.automatic);
        QCOMPARE(named.server, QString("whois.example"));

        // Picking a server from the list is a choice of server, as typing one is.
        WhoisInfo picked;
        auto third = whoisDialog(&picked);
        QTest::mouseClick(third->automaticBox(), Qt::LeftButton);
        QVERIFY(third->automaticBox()->isChecked());
        QComboBox* box = third->serverBox();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down, Qt::AltModifier); // opens the list
        QTRY_VERIFY(box->view()->isVisible());
        QTest::keyClick(box->view(), Qt::Key_Return); // picks the entry
        QVERIFY(!third->automaticBox()->isChecked());
        QTest::mouseClick(third->control(res::IDOK), Qt::LeftButton);
        QVERIFY(!picked.automatic);
        QCOMPARE(picked.server, QString("whois.example"));
    }

    // DNS records: the name (kept in a history), a type, a server typed and kept in the list,
    // DNSSEC, trust anchor files typed and browsed for; the two servers always offered cannot
    // be deleted, a stored one can.
    void dnsRecordsDialog() {
        net::DnsRecordsRequest first;
        {
            dialogs::DnsRecords_Dialog dialog(&m_parent, res::DLG_DNSRECORDS, iniPath(), &first);
            dialog.chooseAnchorFile = [] { return QString("/lab/b.ds"); };
            dialog.show();
            QCOMPARE(
                items(dialog.serverBox()).mid(0, 3),
                (QStringList{"System resolver", "Authoritative", "Every authoritative server"}));
            QCOMPARE(dialog.typeBox()->currentText(), QString("Common"));
            QVERIFY(dialog.dnssecBox()->isChecked());
            dialog.activateWindow();
            QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.nameBox()));
            typeKeys(dialog.nameBox(), "example.org");
            typeInto(dialog.typeBox()->lineEdit(), "MX");
            typeInto(dialog.serverBox()->lineEdit(), "9.9.9.9@5353");
            QTest::mouseClick(dialog.dnssecBox(), Qt::LeftButton);
            typeInto(dialog.anchorsField(), "/lab/a.ds");
            QTest::mouseClick(dialog.control(res::IDC_RECORDS_BROWSE), Qt::LeftButton);
            QTest::keyClick(dialog.serverBox()->lineEdit(), Qt::Key_Return);
            QCOMPARE(dialog.result(), int(res::IDOK));
        }
        QCOMPARE(first.name, QByteArray("example.org"));
        QCOMPARE(first.type, QString("MX"));
        QCOMPARE(first.server, QString("9.9.9.9@5353"));
        QVERIFY(!first.dnssec);
        QVERIFY(!first.chain);
        QCOMPARE(first.trustAnchors, (QStringList{"/lab/a.ds", "/lab/b.ds"}));
        QCOMPARE(ini("DNS Records", "Server1"), QString("9.9.9.9@5353"));
        QCOMPARE(ini("DNS Records", "type"), QString("MX"));
        QCOMPARE(ini("DNS Names", "Name1"), QString("example.org"));

        net::DnsRecordsRequest second;
        dialogs::DnsRecords_Dialog dialog(&m_parent, res::DLG_DNSRECORDS, iniPath(), &second);
        int asked = 0;
        dialog.confirmDelete = [&asked](const QString&) { return ++asked, true; };
        dialog.show();
        QCOMPARE(items(dialog.nameBox()), QStringList{"example.org"});
        QCOMPARE(dialog.serverBox()->currentText(), QString("9.9.9.9@5353"));
        QCOMPARE(dialog.anchorsField()->text(), QString("/lab/a.ds;/lab/b.ds"));
        QVERIFY(!dialog.dnssecBox()->isChecked());
        QTest::mouseClick(dialog.control(res::IDC_RECORDS_DELETE), Qt::LeftButton);
        QCOMPARE(items(dialog.serverBox()),
                 (QStringList{"System resolver", "Authoritative", "Every authoritative server"}));
        QTest::mouseClick(dialog.control(res::IDC_RECORDS_DELETE), Qt::LeftButton);
        QCOMPARE(asked, 1); // the fixed servers stay, unasked
        QCOMPARE(dialog.serverBox()->count(), 3);
        typeInto(dialog.anchorsField(), "");
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(ini("DNS Records", "count"), QString("0"));
        QCOMPARE(ini("DNS Records", "trust_anchors"), QString());
        QVERIFY(!second.chain);

        // Chain closes the dialog with the request, for the chain of trust.
        net::DnsRecordsRequest third;
        dialogs::DnsRecords_Dialog chain(&m_parent, res::DLG_DNSRECORDS, iniPath(), &third);
        chain.show();
        chain.activateWindow();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(chain.nameBox()));
        typeKeys(chain.nameBox(), "www.example.org");
        QTest::mouseClick(chain.control(res::IDC_RECORDS_CHAIN), Qt::LeftButton);
        QCOMPARE(chain.result(), int(res::IDOK));
        QVERIFY(third.chain);
        QCOMPARE(third.name, QByteArray("www.example.org"));
    }

    // The mail dialog: the domain and selectors typed, the server DNS records chose last, its
    // DNSSEC switch and anchors; only the domain's history is written.
    void mailDialog() {
        net::DnsRecordsRequest records;
        {
            dialogs::DnsRecords_Dialog dialog(&m_parent, res::DLG_DNSRECORDS, iniPath(), &records);
            dialog.show();
            typeInto(dialog.serverBox()->lineEdit(), "9.9.9.9@5353");
            typeInto(dialog.anchorsField(), "/lab/a.ds");
            QTest::keyClick(dialog.serverBox()->lineEdit(), Qt::Key_Return);
        }
        const QString before = ini("DNS Records", "Server1");
        net::DnsRecordsRequest mail;
        {
            dialogs::Mail_Dialog dialog(&m_parent, iniPath(), &mail);
            dialog.show();
            dialog.activateWindow();
            QCOMPARE(dialog.serverBox()->currentText(), QString("9.9.9.9@5353"));
            QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.domainBox()));
            typeKeys(dialog.domainBox(), "example.org");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClicks(QApplication::focusWidget(), "s1, s2 s3");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(dialog.result(), int(res::IDOK));
        }
        QVERIFY(mail.mail);
        QCOMPARE(mail.name, QByteArray("example.org"));
        QCOMPARE(mail.selectors, (QStringList{"s1", "s2", "s3"}));
        QCOMPARE(mail.server, QString("9.9.9.9@5353"));
        QCOMPARE(mail.trustAnchors, QStringList{"/lab/a.ds"});
        QCOMPARE(ini("DNS Names", "Name1"), QString("example.org"));
        QCOMPARE(ini("DNS Records", "Server1"), before);

        net::DnsRecordsRequest cancelled;
        dialogs::Mail_Dialog dialog(&m_parent, iniPath(), &cancelled);
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!cancelled.mail);
    }

    // Servers compared: every authoritative server picked from the list, and stored servers
    // ticked to be asked side by side; a file written before keeps its choice.
    void dnsRecordsComparisons() {
        writeIni("[DNS Records]\ncount=2\nindex=3\nServer1=9.9.9.9\nServer2=1.1.1.1\n");
        net::DnsRecordsRequest every;
        {
            dialogs::DnsRecords_Dialog dialog(&m_parent, res::DLG_DNSRECORDS, iniPath(), &every);
            dialog.show();
            QCOMPARE(dialog.serverBox()->currentText(), QString("1.1.1.1"));
            typeKeys(dialog.nameBox(), "www.example.org");
            dialog.serverBox()->setFocus();
            QTest::keyClick(dialog.serverBox(), Qt::Key_Up);
            QTest::keyClick(dialog.serverBox(), Qt::Key_Up);
            QTest::keyClick(dialog.serverBox(), Qt::Key_Return);
        }
        QCOMPARE(every.server, QString("Every authoritative server"));
        QCOMPARE(ini("DNS Records", "every"), QString("1"));
        QCOMPARE(ini("DNS Records", "index"), QString("1")); // the root, for earlier versions

        net::DnsRecordsRequest sideBySide;
        dialogs::DnsRecords_Dialog dialog(&m_parent, res::DLG_DNSRECORDS, iniPath(), &sideBySide);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.serverBox()->currentText(), QString("Every authoritative server"));
        QStringList offered;
        // Each server is a check box a screen reader hears with its state; Up and Down move
        // along them and Tab leaves the list, which is one stop.
        QStringList heard;
        const auto hear = [&](dialogs::CompareServers_Dialog* compare) {
            QAccessibleInterface* box = QAccessible::queryAccessibleInterface(focusIn(compare));
            heard.append(box->text(QAccessible::Name) + (box->role() != QAccessible::CheckBox ? " ?"
                                                         : box->state().checked ? " ticked"
                                                                                : " unticked"));
        };
        whenModal<dialogs::CompareServers_Dialog>([&](dialogs::CompareServers_Dialog* compare) {
            offered = items(compare->list());
            const Qt::Key keys[] = {Qt::Key_Up,   Qt::Key_Space, Qt::Key_Down, Qt::Key_Down,
                                    Qt::Key_Down, Qt::Key_Space, Qt::Key_Tab};
            for (Qt::Key key : keys) {
                QTest::keyClick(focusIn(compare), key);
                hear(compare);
            }
            QTest::keyClick(focusIn(compare), Qt::Key_Return);
        });
        QTest::mouseClick(dialog.control(res::IDC_RECORDS_COMPARE), Qt::LeftButton);
        QCOMPARE(offered, (QStringList{"System resolver", "9.9.9.9", "1.1.1.1"}));
        QCOMPARE(heard, (QStringList{"System resolver unticked", "System resolver ticked",
                                     "9.9.9.9 unticked", "1.1.1.1 unticked", "1.1.1.1 unticked",
                                     "1.1.1.1 ticked", "OK ?"}));
        QCOMPARE(dialog.serverBox()->currentText(), QString("System resolver, 1.1.1.1"));
        // The field that changed has the focus, so a screen reader says what it holds now.
        QVERIFY(dialog.serverBox()->isAncestorOf(dialog.focusWidget()) ||
                dialog.focusWidget() == dialog.serverBox());
        QTest::keyClick(dialog.serverBox(), Qt::Key_Return);
        QCOMPARE(sideBySide.server, QString("System resolver, 1.1.1.1"));
        QCOMPARE(ini("DNS Records", "Server3"), QString("System resolver, 1.1.1.1"));
        QCOMPARE(ini("DNS Records", "index"), QString("4"));
        QCOMPARE(ini("DNS Records", "every"), QString("0"));
    }

    void whoisDelete_data() {
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("selectedAfter");
        const QStringList three{"s1", "s2", "s3"};
        QTest::newRow("last") << 2 << true << QStringList{"s1", "s2"} << 1;
        QTest::newRow("first") << 0 << true << QStringList{"s2", "s3"} << 0;
        QTest::newRow("middle") << 1 << true << QStringList{"s1", "s3"} << 1;
        QTest::newRow("answered no") << 1 << false << three << 1;
    }
    void whoisDelete() {
        QFETCH(int, selected);
        QFETCH(bool, yes);
        QFETCH(QStringList, left);
        QFETCH(int, selectedAfter);
        writeIni(QString("[WhoIs]\ncount=3\nindex=%1\nServer1=s1\nServer2=s2\nServer3=s3\n")
                     .arg(selected)
                     .toUtf8());
        WhoisInfo info;
        auto dialog = whoisDialog(&info);
        QString question;
        dialog->confirmDelete = [&](const QString& q) { return question = q, yes; };
        dialog->Delete();
        QCOMPARE(question, QString("Are you sure you want to delete\n s%1 ?").arg(selected + 1));
        QCOMPARE(items(dialog->serverBox()), left);
        QCOMPARE(dialog->serverBox()->currentIndex(), selectedAfter);
        QCOMPARE(ini("WhoIs", "count"), QString("3")); // written only when the dialog closes
        dialog->reject();
        QCOMPARE(ini("WhoIs", "count"), QString::number(left.size()));
    }

    void whoisDeleteOnlyServer() {
        writeIni("[WhoIs]\ncount=1\nindex=0\nServer1=only.server\n");
        WhoisInfo info;
        auto dialog = whoisDialog(&info);
        dialog->confirmDelete = [](const QString&) { return true; };
        dialog->Delete();
        QCOMPARE(dialog->serverBox()->count(), 0);
        QCOMPARE(dialog->serverBox()->currentText(), QString());
        dialog->reject();
        QCOMPARE(ini("WhoIs", "count"), QString("0"));
        QCOMPARE(ini("WhoIs", "index"), QString("-1"));
        QCOMPARE(ini("WhoIs", "Server1"), QString("only.server")); // left behind, ignored
        QCOMPARE(info.server, QString());
    }

    void whoisLeadingSpaceHandedOverNotStored() {
        WhoisInfo info;
        auto dialog = whoisDialog(&info);
        typeInto(dialog->serverBox()->lineEdit(), " whois.x");
        dialog->done(res::IDOK);
        QCOMPARE(info.server, QString(" whois.x"));
        QCOMPARE(ini("WhoIs", "count"), QString("0"));
    }

    void dnsInfoFrameIsWhite() {
        net::DNStransfer result{"host", {"None"}, "1.2.3.4"};
        dialogs::DNS_Dialog dialog(&m_parent, res::DLG_DNSINFO, result);
        QFrame* white = nullptr;
        for (QFrame* frame : dialog.findChildren<QFrame*>())
            if (frame->frameShape() == QFrame::Box && frame->frameShadow() == QFrame::Plain)
                white = frame;
        QVERIFY(white);
        QCOMPARE(white->palette().color(QPalette::WindowText), QColor(Qt::white));
    }

    void dnsInfo_data() {
        QTest::addColumn<QStringList>("aliases");
        QTest::addColumn<bool>("listEnabled");
        QTest::newRow("with aliases") << QStringList{"www.example.org", "web.example.org"} << true;
        QTest::newRow("none") << QStringList{"None"} << false;
    }
    void dnsInfo() {
        QFETCH(QStringList, aliases);
        QFETCH(bool, listEnabled);
        const QString longName = QString("a-very-long-official-host-name-that-does-not-fit.") +
                                 QString(40, 'x') + ".example";
        dialogs::DNS_Dialog dialog(&m_parent, res::DLG_DNSINFO,
                                   {longName, aliases, "192.0.2.7", {"192.0.2.7", "2001:db8::7"}});
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QString("DNS info"));
        QCOMPARE(dialog.hostNameField()->text(), longName); // whole, not cut
        QVERIFY(dialog.hostNameField()->isReadOnly());
        QCOMPARE(dialog.aliasList()->currentText(), aliases.first());
        QCOMPARE(dialog.aliasList()->count(), aliases.size());
        QCOMPARE(dialog.aliasList()->isEnabled(), listEnabled);
        // A screen reader hears the alias shown as the list's value; a greyed list, which Tab
        // passes over, is said with the dialog instead.
        QAccessibleTextInterface* shown =
            QAccessible::queryAccessibleInterface(dialog.aliasList())->textInterface();
        QCOMPARE(shown ? shown->text(0, 99) : QString(), aliases.first());
        QCOMPARE(dialog.accessibleDescription(),
                 listEnabled ? QString() : QString("Alias(es): None"));
        QCOMPARE(dialog.addressField()->text(), QString("192.0.2.7"));
        QCOMPARE(dialog.addressList()->count(), 2); // every address below the three fields
        QCOMPARE(dialog.addressList()->item(1)->text(), QString("2001:db8::7"));
        // A screen reader reads the field to its last character: one attribute run over it all.
        QAccessibleTextInterface* text =
            QAccessible::queryAccessibleInterface(dialog.addressField())->textInterface();
        QVERIFY(text);
        int start = -1;
        int end = -1;
        text->attributes(4, &start, &end);
        QCOMPARE(start, 0);
        QCOMPARE(end, 9);
        QCOMPARE(text->text(start, end), QString("192.0.2.7"));
    }

    void inputDialog() {
        dialogs::InputDialog dialog(&m_parent, "DNS lookup dialog", "Host name or address:", 49);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QString("DNS lookup dialog"));
        QCOMPARE(dialog.control<QLabel>(res::IDC_INPUT_PROMPT)->text(),
                 QString("Host name or address:"));
        QCOMPARE(dialog.field()->maxLength(), 49);
        QTest::keyClicks(dialog.field(), "example.org");
        QTest::keyClick(dialog.field(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(res::IDOK));
        QCOMPARE(dialog.text(), QString("example.org"));
    }

    void escapeCancels() {
        AddrInfo info;
        auto dialog = fingerDialog(true, &info);
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QCOMPARE(dialog->result(), int(res::IDCANCEL));
    }
};

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
