// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/sysexframer.h"

#include <algorithm>

namespace kel {

CSysExFramer::CSysExFramer(std::size_t limit) : buffer_(std::max<std::size_t>(limit, 2)) {}

void CSysExFramer::Reset() {
    length_ = 0;
    inMessage_ = false;
    overlong_ = false;
}

} // namespace kel
