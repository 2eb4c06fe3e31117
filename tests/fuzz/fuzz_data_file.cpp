// The data file reader against any bytes: it must end, keep its bounds, read the same in any
// block sizes, and give every cell a finite reading value within range.
#include "text/data_file.h"
#include "text/leading_value.h"

#include <QBuffer>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Hands out the bytes a few at a time, so that blocks end inside line ends and fields.
class TrickleDevice : public QIODevice {
public:
    TrickleDevice(QByteArray bytes, qint64 step) : bytes_(std::move(bytes)), step_(step) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = std::min({maxSize, step_, qint64(bytes_.size()) - at_});
        std::memcpy(data, bytes_.constData() + at_, size_t(n));
        at_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray bytes_;
    qint64 step_;
    qint64 at_ = 0;
};

void check(bool holds) {
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer whole;
    whole.setData(bytes);
    whole.open(QIODevice::ReadOnly);
    const textrules::DataFileContents c = textrules::readDataFile(whole);

    check(c.rowCount() <= textrules::kMaxDataRows);
    check(c.rows.size() % textrules::kDataColumns == 0);
    check(c.unit.isEmpty() || c.unit == QLatin1String("Lx") || c.unit == QLatin1String("Fc"));
    check(c.hasHeader || (c.rows.empty() && bytes.isEmpty()));
    for (const QString& cell : c.rows) {
        check(cell.size() <= textrules::kMaxCellChars);
        const double v = textrules::readingValue(cell);
        check(std::isfinite(v) && std::fabs(v) <= textrules::kMaxReadingMagnitude);
    }

    TrickleDevice trickle(bytes, size == 0 ? 1 : 1 + data[0] % 7);
    const textrules::DataFileContents t = textrules::readDataFile(trickle);
    check(t.unit == c.unit && t.rows == c.rows && t.end == c.end);
    return 0;
}
