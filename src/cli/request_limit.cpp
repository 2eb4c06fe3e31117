#include "cli/request_limit.h"

namespace cli {

RequestHeadLimit::Verdict RequestHeadLimit::take(QByteArrayView bytes) {
    for (const char c : bytes) {
        if (verdict_ != Verdict::Fine)
            break;
        if (++headBytes_ > limit_) {
            verdict_ = inRequestLine_ ? Verdict::LineTooLong : Verdict::HeadTooLarge;
            break;
        }
        if (c == '\n') {
            if (lineBytes_ > 0) {
                inRequestLine_ = false;
            } else if (!inRequestLine_) {
                headBytes_ = 0; // the blank line that ends the head
                inRequestLine_ = true;
            }
            lineBytes_ = 0;
        } else if (c != '\r') {
            ++lineBytes_;
        }
    }
    return verdict_;
}

} // namespace cli
