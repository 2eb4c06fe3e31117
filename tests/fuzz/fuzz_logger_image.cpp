// The logger memory splitter and record decoder against any reply to "Q": the sets must be the
// image's bytes from its start, each a whole set, and every record must decode to a number or
// "OL" with "." as its only decimal point.
#include "logger/logger_record.h"
#include "logger/memory_image.h"

#include <QDate>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

void checkValueText(const QString& text) {
    if (text == QLatin1String("OL"))
        return;
    bool number = false;
    text.toDouble(&number);
    check(number && !text.contains(QLatin1Char(',')));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray reply(reinterpret_cast<const char*>(data), qsizetype(size));
    // A reply that ends early, or brings more than expected.
    const qsizetype expected = reply.size() - (size > 0 ? qsizetype(data[0] % 5) - 2 : 0);
    const QByteArray image = logger::memoryImage(reply, expected);
    const logger::SetScan scan = logger::scanSets(image);

    check(scan.end != logger::SetScan::End::NoSetAtStart || scan.sets.empty());
    qsizetype at = 0;
    for (const QByteArray& set : scan.sets) {
        check(set.startsWith(logger::kSetMarker));
        check(set.size() >= logger::kSetHeaderBytes + logger::kRecordBytes);
        check((set.size() - logger::kSetHeaderBytes) % logger::kRecordBytes == 0);
        check(image.mid(at, set.size()) == set);
        at += set.size();

        check(logger::setStartText(set).size() == 11);
        check(logger::setIntervalSeconds(set) <= 99 * 60 + 99);
        const qsizetype records = logger::setRecordCount(set);
        const logger::RecordTimes times(set, QDate(2024, 2, 29));
        std::vector<QString> lux;
        std::vector<QString> footCandles;
        logger::listRecords(set, times, 0, records, lux, footCandles);
        check(lux.size() == size_t(records) * 3 && footCandles.size() == lux.size());
        for (size_t i = 0; i < lux.size(); i += 3) {
            check(lux[i + 1].size() >= 11 && lux[i + 1] == footCandles[i + 1]);
            checkValueText(lux[i + 2]);
            checkValueText(footCandles[i + 2]);
        }
    }
    if (scan.end == logger::SetScan::End::Complete)
        check(at == image.size() - logger::kSetMarker.size());
    return 0;
}
