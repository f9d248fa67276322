#pragma once

// How veltractl judges a write to the mouse. The mouse confirms no write: the read attempts
// after a write only pace the traffic, so a write the interface took counts as sent, and only a
// write that never went out is a failure (exit 1).

#include <string>

#include "device/driver_comm.h"

namespace veltra::cli {

// Why a write did not go out, for "..., but <reason>" messages; empty when it went out.
std::string NotSentReason(ExchangeResult result);

}  // namespace veltra::cli
