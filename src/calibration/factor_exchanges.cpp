#include "calibration/factor_exchanges.h"

#include "link/meter_link.h"

namespace calibration {

namespace {

constexpr double kFactorRequestWait = 0.1;
constexpr double kFactorPassWait = 0.1;
constexpr int kScfReadAttempts = 1000;
constexpr double kScfReplyWait = 0.02;
constexpr qsizetype kScfReplyLength = 4;
constexpr qsizetype kCalibrationReplyLength = 4;
constexpr double kBeforeBlockWait = 0.05;
constexpr double kAfterWriteWait = 0.2;
constexpr double kAfterInitialScfWait = 0.5;

bool requestFactor(meterlink::MeterLink& link) {
    link.port().discardInput();
    if (!link.PollReading() || !link.WaitSeconds(kFactorRequestWait))
        return false;
    // The display stream goes on during the wait; a frame left in the buffer would stand before
    // the reply and hide it.
    link.port().discardInput();
    link.send(QByteArrayLiteral("h"));
    return true;
}

// The meter's own polling may take a reply away, hence the request made again.
std::optional<int> awaitFactor(meterlink::MeterLink& link) {
    const double giveUpAt = link.now() + kFactorReadLimit;
    for (int pass = 1; link.now() < giveUpAt; ++pass) {
        if (pass == 2) {
            pass = 0;
            if (!requestFactor(link))
                return std::nullopt;
        }
        if (!link.WaitSeconds(kFactorPassWait))
            return std::nullopt;
        const std::optional<QByteArray> reply =
            meterlink::replyAmidStream(link.port().Input(), kCalibrationReplyLength);
        if (reply && isCalibrationReply(*reply))
            return calibrationReplyCode(*reply);
    }
    return std::nullopt;
}

bool writeBlock(meterlink::MeterLink& link, char letter, const QByteArray& block) {
    if (!link.PollReading())
        return false;
    link.port().discardInput();
    link.send(QByteArray(1, letter));
    if (!link.WaitSeconds(kBeforeBlockWait))
        return false;
    link.send(block);
    return link.WaitSeconds(kAfterWriteWait);
}

} // namespace

std::optional<int> ReadCalibrationFactor(meterlink::MeterLink& link) {
    if (!requestFactor(link))
        return std::nullopt;
    return awaitFactor(link);
}

std::optional<int> RestoreCalibrationFactor(meterlink::MeterLink& link) {
    if (!link.PollReading())
        return std::nullopt;
    link.send(QByteArrayLiteral("j"));
    return ReadCalibrationFactor(link);
}

bool WriteCalibrationFactor(meterlink::MeterLink& link, int code) {
    return writeBlock(link, 'i', codeBytes(code));
}

std::optional<ScfSetting> ReadScfSetting(meterlink::MeterLink& link) {
    for (int attempt = 0; attempt < kScfReadAttempts; ++attempt) {
        link.port().discardInput();
        link.send(QByteArrayLiteral("a"));
        if (!link.WaitSeconds(kScfReplyWait))
            return std::nullopt;
        // The stream goes on meanwhile: the reply is asked again until it arrives clear of it.
        if (const std::optional<QByteArray> reply =
                meterlink::replyAmidStream(link.port().Input(), kScfReplyLength))
            return readScfReply(*reply);
    }
    return std::nullopt;
}

bool WriteScfSetting(meterlink::MeterLink& link, const ScfSetting& setting) {
    return writeBlock(link, 'c', scfSetBytes(setting));
}

bool RestoreInitialScf(meterlink::MeterLink& link) {
    if (!link.PollReading())
        return false;
    link.port().discardInput();
    link.send(QByteArrayLiteral("e"));
    return link.WaitSeconds(kAfterInitialScfWait);
}

} // namespace calibration
