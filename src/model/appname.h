// SPDX-License-Identifier: GPL-3.0-or-later
// The organisation and application names the editor's own folders are kept under, for every
// program alike: the editor's settings ($XDG_CONFIG_HOME/ORGANISATION/APPLICATION.conf), its
// data with the device's history ($XDG_DATA_HOME/ORGANISATION/APPLICATION) and the library's
// index ($XDG_CACHE_HOME/ORGANISATION/APPLICATION). The editor gives the same names to Qt, so
// Qt's standard locations and the core's folders agree.
#pragma once

namespace kel {

inline constexpr const char* kOrganisationName = "VOSTEL";
inline constexpr const char* kApplicationName = "VOSTEL KEL Editor V2";

} // namespace kel
