// SPDX-License-Identifier: MIT
#include "ChainLab.h"
#include "Nsd.h"

#include <QFile>

ChainLab::ChainLab() {
    QByteArray output;
    if (!runTool(m_dir.path(), QStringLiteral("python3"),
                 {QStringLiteral(VINTREL_TESTS_DIR "/chain_lab.py"), m_dir.path(),
                  QString::fromLatin1(Address)},
                 &output, m_error)) {
        m_error = QStringLiteral("the lab's zones could not be made: ") + m_error;
        return;
    }
    QFile list(m_dir.filePath("zones"));
    if (!list.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("the lab made no list of zones");
        return;
    }
    QStringList zones;
    for (const QByteArray& line : list.readAll().split('\n'))
        if (const QList<QByteArray> fields = line.split(' '); fields.size() == 2)
            zones.append(QString::fromLatin1(fields[1] + ':' + fields[0]));
    m_running = startNsd(m_nsd, m_dir.path(), QStringLiteral("lab"),
                         QByteArray("  ip-address: ") + Address + "@53\n", zones, m_error);
}

ChainLab::~ChainLab() {
    stopNsd(m_nsd);
}
