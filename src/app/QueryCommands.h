// SPDX-License-Identifier: MIT
#pragma once
// The commands that ask: Finger query, WhoIs query, DNS lookup, DNS records, Address book,
// Cancel call, About and Help; and the window a chain of trust is drawn in when one is found.
// Each opens its dialog, takes the query in a request record and hands it to the output window.

namespace view {
class TFingWnd;
}

namespace app {

struct StartQuery;

class ChainWindow;
class HelpWindow;
class TMyDecoratedFrame;

class QueryCommands {
public:
    QueryCommands(TMyDecoratedFrame& frame, view::TFingWnd& window);

    void finger();
    void whois();
    void dnsLookup();
    void dnsRecords();
    void mail();
    void addressBook();
    // A query from the command line, handed to its dialog as if typed there and accepted, so
    // it joins the history or the server list like any other.
    void start(const StartQuery& query);
    void cancel();
    void about();
    void helpIndex();
    void helpUsing();

    HelpWindow* helpWindow() const { return m_help; }
    ChainWindow* chainWindow() const { return m_chain; }

private:
    HelpWindow& help();

    TMyDecoratedFrame& m_frame;
    view::TFingWnd& m_window;
    HelpWindow* m_help = nullptr;   // made on first use, owned by the frame
    ChainWindow* m_chain = nullptr; // the same
};

} // namespace app
