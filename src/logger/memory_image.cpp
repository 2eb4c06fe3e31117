#include "logger/memory_image.h"

#include "logger/logger_record.h"

#include <algorithm>

namespace logger {

namespace {

constexpr qsizetype kLeadBytes = 15;
constexpr qsizetype kTrailingBytes = 1;
constexpr quint32 kFirstSetAddress = kEmptyMemoryEnd + 1;
// Less than this is shown as 0 K: no set fits in it.
constexpr quint32 kNoRoomLeft = kLastMemoryAddress - 12;

bool markerAt(QByteArrayView image, qsizetype at) {
    return image.sliced(at, kSetMarker.size()) == QByteArrayView(kSetMarker);
}

} // namespace

std::optional<qsizetype> expectedReplyLength(quint32 memoryEnd) {
    if (memoryEnd < kFirstSetAddress || memoryEnd > kLastMemoryAddress)
        return std::nullopt;
    return kLeadBytes + qsizetype(memoryEnd - kEmptyMemoryEnd) + kTrailingBytes;
}

QString freeMemoryText(quint32 memoryEnd) {
    const quint32 tenths =
        memoryEnd >= kNoRoomLeft ? 0 : (kLastMemoryAddress - memoryEnd) * 10 / 1024;
    QString text = QString::number(tenths / 10);
    if (tenths % 10 != 0)
        text += QLatin1Char('.') + QString::number(tenths % 10);
    return text + QStringLiteral(" K");
}

QString progressText(qsizetype received, qsizetype expected) {
    const double share = expected > 0 ? double(std::min(received, expected)) / double(expected) : 1;
    return QString::number(share * 100.0, 'f', 1) + QStringLiteral("% Completed");
}

qsizetype streamBytesBefore(QByteArrayView reply) {
    constexpr char kEtx = 0x03;
    for (qsizetype skipped = 0; skipped <= kMaxStreamBytesBefore; ++skipped) {
        if (kLeadBytes + skipped + kSetMarker.size() > reply.size())
            break;
        // Every frame of the stream ends with ETX, so the reply can only begin after one.
        if (skipped > 0 && reply.at(skipped - 1) != kEtx)
            continue;
        if (markerAt(reply, kLeadBytes + skipped))
            return skipped;
    }
    return 0;
}

QByteArray memoryImage(const QByteArray& reply, qsizetype expected) {
    const qsizetype end = std::min(expected, reply.size()) - kTrailingBytes;
    QByteArray image = end > kLeadBytes ? reply.mid(kLeadBytes, end - kLeadBytes) : QByteArray();
    image += image.left(kSetMarker.size());
    return image;
}

SetScan scanSets(QByteArrayView image) {
    SetScan scan;
    const qsizetype markerSize = kSetMarker.size();
    // The last place a marker can start: the end mark.
    const qsizetype lastMarker = image.size() - markerSize;
    qsizetype at = 0;
    // The first marker must lie in the memory itself, before the end mark.
    if (lastMarker < markerSize || !markerAt(image, 0)) {
        scan.end = SetScan::End::NoSetAtStart;
        return scan;
    }
    while (at < lastMarker) {
        qsizetype next = at + kSetHeaderBytes + kRecordBytes;
        while (next <= lastMarker && !markerAt(image, next))
            next += kRecordBytes;
        if (next > lastMarker) {
            scan.end = SetScan::End::LastSetCutShort;
            return scan;
        }
        scan.sets.emplace_back(image.sliced(at, next - at).toByteArray());
        at = next;
    }
    return scan;
}

} // namespace logger
