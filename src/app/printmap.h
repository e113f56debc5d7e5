// SPDX-License-Identifier: GPL-3.0-or-later
// The printed control map (File > Print, Print Preview, kel-editor --print-pdf). The first page
// holds the map's title and the panel with every control's label at the panel picture's own
// size, framed by a cut line: an overlay a musician can cut out and lay on the device. The
// assignment list (the HTML list, laid out by QTextDocument) follows on the next pages.
//
// The panel's printed size is the picture's design size, 720 x 219 units at 72 units to the
// inch: 254.0 x 77.3 mm.
#pragma once

#include <QString>

#include <string>

class QPagedPaintDevice;
class QPrinter;
class QWidget;

namespace kel {

class CParameter;
class CUiServices;

inline constexpr double kPanelPrintWidthMm = 720.0 * 25.4 / 72.0;
inline constexpr double kPanelPrintHeightMm = 219.0 * 25.4 / 72.0;

// The page the printout is laid out for unless the user chooses another: A4 landscape with
// 10 mm margins, on which the panel fits at its size.
void PreparePrinter(QPrinter& printer);

// Paints the printout of `document` on `device`, whose painting has not begun. False when the
// device cannot be painted on (an output file that cannot be opened). A page too small for the
// panel gets it reduced to fit, and says by how much.
bool PrintMap(QPagedPaintDevice& device, const CParameter& document);

// File > Print: the system's print dialog, then the printout on the printer chosen there.
void PrintWithDialog(QWidget* parent, CUiServices& ui, const CParameter& document);
// File > Print Preview: the printout's pages in Qt's preview, from which it can be printed.
void ShowPrintPreview(QWidget* parent, CUiServices& ui, const CParameter& document);

// The printout of the control map file `mapPath` as a PDF file at `outPath` (A4 landscape),
// written as a whole or not at all. Both paths are the file system's bytes, as the command line
// gives them, whatever their encoding. A file already at `outPath` is replaced only when it is a
// PDF file and not the map itself (also through a link or another spelling of its name). Empty on
// success; otherwise what went wrong for the terminal: the path as given, then in English.
std::string PrintMapFileToPdf(const std::string& outPath, const std::string& mapPath);

} // namespace kel
