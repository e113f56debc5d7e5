// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/translation.h"

#include <string>

namespace kel {

QString CoreText(const char* context, std::string_view english) {
    const std::string source(english); // translate() takes a terminated string
    return QCoreApplication::translate(context, source.c_str());
}

} // namespace kel
