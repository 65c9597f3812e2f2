// SPDX-License-Identifier: MIT
#pragma once
// The chain of trust drawn in a window of its own, beside the answer window that holds the
// same chain as text: the picture at a zoom the user picks (Ctrl++, Ctrl+-, Ctrl+0), scrolled,
// printed, and saved as SVG or PNG. The window's description is the verdict's sentence, so a
// screen reader says at once what broke.

#include "net/dns/chain/ChainModel.h"

#include <QMainWindow>

#include <functional>

class QLabel;
class QScrollArea;

namespace app {

class ChainWindow : public QMainWindow {
public:
    static constexpr double MinZoom = 0.25;
    static constexpr double MaxZoom = 4.0;

    explicit ChainWindow(QWidget* parent = nullptr);

    // Shows report's picture at the zoom the window has.
    void show(const net::ChainReport& report);
    double zoom() const { return m_zoom; }
    const QByteArray& svg() const { return m_svg; }

    // Asks where to save (the file dialog; tests answer it themselves).
    std::function<QString()> chooseSaveFile;
    void zoomBy(double factor);
    void actualSize();
    // Saves the picture as SVG or PNG, as the file's name ends; why not, or empty.
    QString saveTo(const QString& path) const;

private:
    void render();
    void saveAs();
    void print();

    QScrollArea* m_scroll;
    QLabel* m_picture;
    QByteArray m_svg;
    double m_zoom = 1.0;
};

} // namespace app
