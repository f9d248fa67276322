#include "cli/write_outcome.h"

namespace veltra::cli {

std::string NotSentReason(ExchangeResult result) {
    switch (result) {
        case ExchangeResult::Answered:
        case ExchangeResult::Sent:
        case ExchangeResult::NotAnswered:
            break;
        case ExchangeResult::WriteFailed:
            return "the mouse's interface refused the write (unplugged, or the bridge peer gone?)";
        case ExchangeResult::NoDevice:
            return "the mouse is no longer connected";
        case ExchangeResult::Cancelled:
            return "the write was cancelled";
    }
    return {};
}

}  // namespace veltra::cli
