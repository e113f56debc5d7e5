// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/printmap.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "files/fileio.h"
#include "files/mapfile.h"
#include "files/safesave.h"
#include "gui/common/translation.h"
#include "gui/common/uiservices.h"
#include "gui/panel/kelpanel.h"
#include "gui/panel/panelimage.h"
#include "model/assignlist.h"
#include "model/parameter.h"
#include "model/terminaltext.h"

namespace kel {

namespace {

constexpr int kPictureWidth = 720;
constexpr int kPictureHeight = 219;
// The picture is printed from its drawing at this many dots per picture unit (288 dpi at the
// printed size): sharp on paper, and a PDF of a few hundred kilobytes.
constexpr qreal kPictureRatio = 4.0;
constexpr double kMmPerInch = 25.4;
// How every PDF file begins.
constexpr std::string_view kPdfMagic = "%PDF-";

// The map's texts are held as UTF-8 (and the list declares UTF-8 when it is not ASCII); a
// control or bidirectional character in a title shows as an escape, as in the TITLE field.
QString MapText(const std::string& text) {
    return QString::fromStdString(WithVisibleControls(text));
}

// Why the map file could not be read, in English, for the command line (the caller names the
// file): the message that refused its content, or the read's message with the cause in words.
std::string ReadFailureText(const Failure& failure) {
    const FileMessage message = FileMessageOf(failure, StringId::LoadError);
    std::string text = FormatMessage(message.id, message.detail);
    if (!MessageOf(failure) && failure.cause != 0) {
        text += " " + EnglishText(failure.why) + ".";
    }
    return text;
}

// Why the file at `outPath` must not be replaced by the printout of `mapPath`, or null. Only a
// PDF file is replaced, and never the map being printed: a map given twice or the two names
// swapped would otherwise be lost. Anything but a regular file is left to the save, which
// refuses it.
const char* RefusedOutput(const std::string& outPath, const std::string& mapPath) {
    struct stat out {};
    if (::stat(outPath.c_str(), &out) != 0 || !S_ISREG(out.st_mode)) {
        return nullptr;
    }
    struct stat map {};
    if (::stat(mapPath.c_str(), &map) == 0 && map.st_dev == out.st_dev &&
        map.st_ino == out.st_ino) {
        return "is the control map to print; the PDF file needs a name of its own";
    }
    const Result<int> opened = OpenRegularFile(outPath);
    if (!opened) {
        return "exists and cannot be read to tell whether it is a PDF file; it is left as it is";
    }
    const int fd = *opened;
    std::vector<std::uint8_t> start;
    const int error = ReadUpTo(fd, kPdfMagic.size(), start);
    ::close(fd);
    if (error != 0 || !std::equal(start.begin(), start.end(), kPdfMagic.begin(), kPdfMagic.end())) {
        return "exists and is not a PDF file; it is left as it is";
    }
    return nullptr;
}

// The first page: the title, the panel with its labels at its size inside a cut line, and
// what it is.
void PaintPanelPage(QPainter& painter, const QRectF& page, double dotsPerMm,
                    const CParameter& document) {
    const QString title = MapText(document.GetTitle());
    QFont titleFont = painter.font();
    titleFont.setPointSizeF(16);
    titleFont.setBold(true);
    painter.setFont(titleFont);
    const QFontMetricsF titleMetrics(titleFont, painter.device());
    const QRectF titleBox(page.left(), page.top(), page.width(), titleMetrics.height() * 1.5);
    painter.setPen(Qt::black);
    painter.drawText(titleBox, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     title.isEmpty() ? KelEditor::tr("(untitled control map)") : title);

    // At its size, or reduced to fit a page too small for it.
    const QSizeF full(kPanelPrintWidthMm * dotsPerMm, kPanelPrintHeightMm * dotsPerMm);
    const double room = page.bottom() - titleBox.bottom();
    const double scale = std::min({1.0, page.width() / full.width(), room * 0.8 / full.height()});
    const QRectF panel(page.left() + (page.width() - full.width() * scale) / 2,
                       titleBox.bottom() + 4 * dotsPerMm, full.width() * scale,
                       full.height() * scale);

    painter.save();
    painter.translate(panel.topLeft());
    painter.scale(panel.width() / kPictureWidth, panel.height() / kPictureHeight);
    if (CCommonBitmap* bitmap = GetPanelBitmap(); bitmap != nullptr) {
        painter.drawPixmap(QRectF(0, 0, kPictureWidth, kPictureHeight),
                           bitmap->Pixmap(kPictureRatio), QRectF());
    }
    CKelPanel::PaintLabels(painter, document);
    painter.restore();

    // The cut line around the panel.
    QPen cut(Qt::black);
    cut.setWidthF(0.2 * dotsPerMm);
    cut.setStyle(Qt::DashLine);
    painter.setPen(cut);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(panel);

    QFont noteFont = painter.font();
    noteFont.setPointSizeF(9);
    noteFont.setBold(false);
    painter.setFont(noteFont);
    painter.setPen(Qt::black);
    const QString note =
        scale < 1.0
            ? KelEditor::tr("Reduced to %1 % to fit the page: the panel's own size (%2 x %3 mm) "
                            "needs a larger page or landscape orientation.")
                  .arg(std::floor(scale * 100))
                  .arg(kPanelPrintWidthMm, 0, 'f', 1)
                  .arg(kPanelPrintHeightMm, 0, 'f', 1)
            : KelEditor::tr("Panel at its own size (%1 x %2 mm): cut along the dashed line.")
                  .arg(kPanelPrintWidthMm, 0, 'f', 1)
                  .arg(kPanelPrintHeightMm, 0, 'f', 1);
    painter.drawText(QRectF(panel.left(), panel.bottom() + 2 * dotsPerMm, panel.width(),
                            page.bottom() - panel.bottom()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, note);
}

// The assignment list from the next page on, as many pages as it takes.
void PaintAssignList(QPainter& painter, QPagedPaintDevice& device, const QRectF& page,
                     const CParameter& document) {
    QTextDocument list;
    list.documentLayout()->setPaintDevice(&device);
    QFont font = painter.font();
    font.setPointSizeF(9);
    font.setBold(false);
    list.setDefaultFont(font);
    list.setHtml(QString::fromStdString(AssignListHtml(document.Map())));
    list.setPageSize(page.size());
    const int pages = list.pageCount();
    for (int i = 0; i < pages; ++i) {
        device.newPage();
        painter.save();
        painter.translate(page.left(), page.top() - i * page.height());
        list.drawContents(&painter, QRectF(0, i * page.height(), page.width(), page.height()));
        painter.restore();
    }
}

} // namespace

void PreparePrinter(QPrinter& printer) {
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                      QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
}

bool PrintMap(QPagedPaintDevice& device, const CParameter& document) {
    QPainter painter;
    if (!painter.begin(&device)) {
        return false;
    }
    // The painter's origin is the top-left corner of the printable area.
    const double dotsPerMm = device.logicalDpiX() / kMmPerInch;
    const QRect paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const QRectF page(0, 0, paint.width(), paint.height());
    PaintPanelPage(painter, page, dotsPerMm, document);
    PaintAssignList(painter, device, page, document);
    return painter.end();
}

void PrintWithDialog(QWidget* parent, CUiServices& ui, const CParameter& document) {
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer);
    printer.setDocName(MapText(document.GetTitle()));
    QPrintDialog dialog(&printer, parent);
    if (ui.RunModal(dialog) != QDialog::Accepted) {
        return;
    }
    if (!PrintMap(printer, document)) {
        ui.Warn(parent, KelEditor::tr("The control map could not be printed."));
    }
}

void ShowPrintPreview(QWidget* parent, CUiServices& ui, const CParameter& document) {
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer);
    printer.setDocName(MapText(document.GetTitle()));
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(KelEditor::tr("Print Preview"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&document](QPrinter* target) { PrintMap(*target, document); });
    ui.RunModal(preview);
}

std::string PrintMapFileToPdf(const std::string& outPath, const std::string& mapPath) {
    if (const char* refused = RefusedOutput(outPath, mapPath); refused != nullptr) {
        return outPath + ": " + refused;
    }
    CParameter document;
    if (const Status read = ReadMapFile(mapPath, ControlMapKind, document); !read) {
        return mapPath + ": " + ReadFailureText(read.Error());
    }
    document.FoldTwinCodes();

    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setCreator(QStringLiteral("KEL Editor"));
        writer.setTitle(MapText(document.GetTitle()));
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                         QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
        if (!PrintMap(writer, document)) {
            return outPath + ": the printout could not be made";
        }
    }
    const QByteArray& bytes = pdf.data();
    const Status saved =
        SaveBytesSafely(outPath, std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                           static_cast<std::size_t>(bytes.size())));
    if (!saved) {
        // A write-protected PDF file is named by the cause a refused write has.
        return outPath + ": " +
               EnglishText(MessageOf(saved.Error()) ? FileCausePhrase(CauseAccessDenied)
                                                    : saved.Error().why);
    }
    return {};
}

} // namespace kel
