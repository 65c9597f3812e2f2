// SPDX-License-Identifier: MIT
#include "ChainWindow.h"
#include "PngPicture.h"
#include "net/dns/chain/ChainPicture.h"
#include "platform/MessageBox.h"

#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QScrollArea>
#include <QSvgRenderer>
#include <QToolBar>

#include <algorithm>

namespace app {

ChainWindow::ChainWindow(QWidget* parent)
    : QMainWindow(parent), m_scroll(new QScrollArea(this)), m_picture(new QLabel(m_scroll)) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture->setFocusPolicy(Qt::StrongFocus);
    m_picture->setTextFormat(Qt::PlainText);
    m_scroll->setWidget(m_picture);
    m_scroll->setWidgetResizable(false);
    m_scroll->setBackgroundRole(QPalette::Base);
    setCentralWidget(m_scroll);
    QMenu* picture = menuBar()->addMenu(QStringLiteral("&Picture"));
    const auto add = [&](const QString& text, const QKeySequence& keys, auto slot) {
        QAction* action = picture->addAction(text, this, slot);
        action->setShortcut(keys);
        return action;
    };
    add(QStringLiteral("&Save As..."), QKeySequence::Save, [this] { saveAs(); });
    add(QStringLiteral("&Print..."), QKeySequence::Print, [this] { print(); });
    picture->addSeparator();
    add(QStringLiteral("Zoom &In"), QKeySequence::ZoomIn, [this] { zoomBy(1.25); });
    add(QStringLiteral("Zoom &Out"), QKeySequence::ZoomOut, [this] { zoomBy(0.8); });
    add(QStringLiteral("&Actual Size"), QKeySequence(Qt::CTRL | Qt::Key_0),
        [this] { actualSize(); });
    picture->addSeparator();
    add(QStringLiteral("&Close"), QKeySequence::Close, [this] { close(); });
    chooseSaveFile = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), QString(),
                                            QStringLiteral("SVG picture (*.svg);;PNG picture "
                                                           "(*.png)"));
    };
    resize(900, 700);
}

void ChainWindow::show(const net::ChainReport& report) {
    m_svg = net::chainSvg(report);
    const QString title = QStringLiteral("Chain of trust: %1 %2").arg(report.name, report.type);
    setWindowTitle(title);
    m_picture->setAccessibleName(title);
    m_picture->setAccessibleDescription(report.reason);
    render();
    QMainWindow::show();
    raise();
    activateWindow();
    m_picture->setFocus();
}

void ChainWindow::zoomBy(double factor) {
    m_zoom = std::clamp(m_zoom * factor, MinZoom, MaxZoom);
    render();
}

void ChainWindow::actualSize() {
    m_zoom = 1.0;
    render();
}

void ChainWindow::render() {
    QSvgRenderer renderer(m_svg);
    const QSize size = (QSizeF(renderer.defaultSize()) * m_zoom * devicePixelRatioF()).toSize();
    if (!renderer.isValid() || size.isEmpty())
        return;
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatioF());
    m_picture->setPixmap(pixmap);
    m_picture->resize(pixmap.deviceIndependentSize().toSize());
}

QString ChainWindow::saveTo(const QString& path) const {
    if (path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return writePng(m_svg, path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_svg) != m_svg.size() || !file.commit())
        return file.errorString();
    return {};
}

void ChainWindow::saveAs() {
    QString path = chooseSaveFile ? chooseSaveFile() : QString();
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive) &&
        !path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        path += QStringLiteral(".svg");
    if (const QString problem = saveTo(path); !problem.isEmpty())
        platform::messageBox(this, QStringLiteral("%1 could not be saved: %2").arg(path, problem),
                             QStringLiteral("File Error"), QMessageBox::Warning);
}

void ChainWindow::print() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QSvgRenderer renderer(m_svg);
    QPainter painter(&printer);
    // The whole picture on one page, its proportions kept.
    const QRect page = painter.viewport();
    QSize size = renderer.defaultSize();
    size.scale(page.size(), Qt::KeepAspectRatio);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
}

} // namespace app
