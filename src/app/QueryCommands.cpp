// SPDX-License-Identifier: MIT
#include "QueryCommands.h"
#include "ChainWindow.h"
#include "CommandLine.h"
#include "HelpWindow.h"
#include "TMyDecoratedFrame.h"
#include "dialogs/AddressBook.h"
#include "dialogs/DNS_Dialog.h"
#include "dialogs/DnsRecords_Dialog.h"
#include "dialogs/Finger_Dialog.h"
#include "dialogs/Mail_Dialog.h"
#include "dialogs/StoredList.h"
#include "dialogs/Whois_Dialog.h"
#include "resources/DialogTemplates.h"
#include "resources/ToolBarFaces.h"
#include "view/TFingWnd.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace app {

void QueryCommands::finger() {
    if (m_window.Busy())
        return;
    AddrInfo info;
    dialogs::Finger_Dialog dialog(&m_frame, res::DLG_FINGER, m_frame.settingsPath(),
                                  m_frame.keepHistory(), &info);
    if (dialog.exec() == res::IDOK)
        m_window.Finger(info);
}

void QueryCommands::whois() {
    if (m_window.Busy())
        return;
    WhoisInfo info;
    dialogs::Whois_Dialog dialog(&m_frame, res::DLG_WHOIS, m_frame.settingsPath(), &info);
    if (dialog.exec() == res::IDOK)
        m_window.Whois(info);
}

void QueryCommands::dnsLookup() {
    if (m_window.DnsBusy())
        return;
    dialogs::InputDialog dialog(&m_frame, QStringLiteral("DNS lookup dialog"),
                                QStringLiteral("Host name or address:"),
                                dialogs::FieldBufferSize - 1);
    // A screen reader says the role after the name: "DNS lookup dialog", not "dialog dialog".
    dialog.setAccessibleName(QStringLiteral("DNS lookup"));
    if (dialog.exec() != res::IDOK)
        return;
    const QString host = dialogs::fieldText(dialog.text());
    if (!host.isEmpty())
        m_window.LookupHost(host);
}

QueryCommands::QueryCommands(TMyDecoratedFrame& frame, view::TFingWnd& window)
    : m_frame(frame), m_window(window) {
    m_window.dnsRecords().chain().onReport = [this](const net::ChainReport& report) {
        if (!m_chain)
            m_chain = new ChainWindow(&m_frame);
        m_chain->show(report);
    };
}

void QueryCommands::dnsRecords() {
    if (m_window.Busy())
        return;
    net::DnsRecordsRequest request;
    dialogs::DnsRecords_Dialog dialog(&m_frame, res::DLG_DNSRECORDS, m_frame.settingsPath(),
                                      &request, m_frame.keepHistory());
    if (dialog.exec() == res::IDOK)
        m_window.DnsRecords(request);
}

void QueryCommands::mail() {
    if (m_window.Busy())
        return;
    net::DnsRecordsRequest request;
    dialogs::Mail_Dialog dialog(&m_frame, m_frame.settingsPath(), &request, m_frame.keepHistory());
    if (dialog.exec() == res::IDOK)
        m_window.DnsRecords(request);
}

void QueryCommands::addressBook() {
    if (m_window.Busy())
        return;
    QString address;
    dialogs::AddressBook dialog(&m_frame, res::DLG_ADDRBOOK, m_frame.dataDirectory(), &address);
    if (dialog.exec() == dialogs::AddressBook::FingerResult)
        m_window.Finger(AddrInfo(address, 1)); // an empty address starts nothing
}

void QueryCommands::start(const StartQuery& query) {
    if (m_window.Busy())
        return;
    switch (query.kind) {
    case StartQuery::Kind::Finger: {
        AddrInfo info;
        dialogs::Finger_Dialog dialog(&m_frame, res::DLG_FINGER, m_frame.settingsPath(),
                                      m_frame.keepHistory(), &info);
        dialog.fillControls();
        dialog.addressBox()->setEditText(query.text);
        dialog.done(res::IDOK);
        m_window.Finger(info);
        break;
    }
    case StartQuery::Kind::Whois: {
        WhoisInfo info;
        dialogs::Whois_Dialog dialog(&m_frame, res::DLG_WHOIS, m_frame.settingsPath(), &info);
        dialog.fillControls();
        dialog.queryField()->setText(query.text);
        dialog.automaticBox()->setChecked(query.server.isEmpty());
        if (!query.server.isEmpty())
            dialog.serverBox()->setEditText(query.server);
        dialog.done(res::IDOK);
        m_window.Whois(info);
        break;
    }
    case StartQuery::Kind::Dns: {
        const QString host = dialogs::fieldText(query.text);
        if (!host.isEmpty() && !m_window.DnsBusy())
            m_window.LookupHost(host);
        break;
    }
    case StartQuery::Kind::Records: {
        net::DnsRecordsRequest request;
        dialogs::DnsRecords_Dialog dialog(&m_frame, res::DLG_DNSRECORDS, m_frame.settingsPath(),
                                          &request, m_frame.keepHistory());
        dialog.fillControls();
        // What the command line leaves out is the default, not what the dialog last used.
        dialog.nameBox()->setEditText(query.text);
        dialog.typeBox()->setEditText(query.type.isEmpty() ? QStringLiteral("Common") : query.type);
        dialog.serverBox()->setEditText(query.recordsServer());
        dialog.done(res::IDOK);
        request.foundThrough = query.foundThrough();
        request.chain = query.chain;
        request.mail = query.mail;
        request.selectors = query.selectors;
        // Anchors given on the command line stand in for the root's for the whole run.
        if (!query.trustAnchors.isEmpty())
            m_window.dnsRecords().setRunTrustAnchors(query.trustAnchors);
        m_window.DnsRecords(request);
        break;
    }
    case StartQuery::Kind::None: break;
    }
}

void QueryCommands::cancel() {
    if (m_window.Busy() || m_window.DnsBusy())
        m_window.CancelCall();
}

void QueryCommands::about() {
    dialogs::Base_Dialog dialog(&m_frame, res::DLG_ABOUT);
    if (auto* icon = dialog.control<QLabel>(res::IDC_ABOUT_ICON))
        icon->setPixmap(res::appIcon().pixmap(32, 32));
    dialog.exec();
}

HelpWindow& QueryCommands::help() {
    if (!m_help)
        m_help = new HelpWindow(&m_frame);
    return *m_help;
}

void QueryCommands::helpIndex() {
    help().showTopic(QStringLiteral("index"));
}

void QueryCommands::helpUsing() {
    help().showTopic(QStringLiteral("using-help"));
}

} // namespace app
