#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

namespace logger {

// The logger memory holds addresses 0..131071; its sets fill the addresses from 1536 up, and the
// meter reports the last address in use as its poll value, 1535 when no set is stored.
inline constexpr quint32 kEmptyMemoryEnd = 1535;
inline constexpr quint32 kLastMemoryAddress = 131071;
inline const QByteArray kSetMarker = QByteArrayLiteral("\x00\x55\xAA\x00");
inline const QString kTotalMemoryText = QStringLiteral("128 K");

// The length of the reply to "Q" for a memory in use up to memoryEnd: 15 lead bytes, the memory
// from address 1536, one trailing byte. Nothing for an address no stored set can end at.
std::optional<qsizetype> expectedReplyLength(quint32 memoryEnd);

// The free memory in K, cut down to one decimal, shortest form: "126.4 K", "64 K", "0 K".
QString freeMemoryText(quint32 memoryEnd);

// The share of the reply received, bytes beyond the expected length not counted:
// "37.5% Completed".
QString progressText(qsizetype received, qsizetype expected);

// Bytes of the display stream that were already on their way when "Q" went out arrive before
// the reply: the rest of a frame under way, and whole frames or a poll reply sent before the meter
// took the "Q". How many came first, judged by where the memory's first set marker stands right
// after a frame's ETX; 0 when it stands where it should or cannot be found within
// kMaxStreamBytesBefore.
inline constexpr qsizetype kMaxStreamBytesBefore = 256;
qsizetype streamBytesBefore(QByteArrayView reply);

// The memory part of a "Q" reply of the expected length (surplus bytes dropped), followed by a
// copy of its own first four bytes: the end mark that the last set runs up to.
QByteArray memoryImage(const QByteArray& reply, qsizetype expected);

// The sets of a memory image with its end mark, in memory order. A set runs from its marker to
// the first marker found on a record boundary after at least one record.
struct SetScan {
    enum class End {
        Complete,
        NoSetAtStart,    // the image does not start with a set marker: no set is read
        LastSetCutShort, // the sets before it are read; its bytes are left out
    };
    std::vector<QByteArray> sets;
    End end = End::Complete;
};
SetScan scanSets(QByteArrayView image);

} // namespace logger
