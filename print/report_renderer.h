// The printed report, drawn in device pixels onto any paint device: a QPrinter or a QPdfWriter
// for the real job, a QImage page for tests and measurements.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <functional>
#include <string>
#include <vector>

#include "print/print_options.h"
#include "print/report_content.h"

class QPainter;
class QPaintDevice;
class QPagedPaintDevice;

namespace corvane {

// The layout quantities, all in device pixels of the page.
struct ReportLayout {
  int W = 0;    // page width
  int C = 0;    // column unit, W div 12
  int D = 0;    // printed size of one picture pixel, (C x 10) div 324
  int T18 = 0;  // text height of "AAA" at 18 point
  int S18 = 0;  // text height of "SSS" at 18 point
  int h = 0;    // text height of "SSS" at 10 point
  int T20 = 0;  // text height of "AAA" at 20 point
  int T10 = 0;  // text height of "AAA" at 10 point

  int x(int k) const { return k * C; }
  int pictureLeft() const { return x(1); }
  int pictureTop() const { return 3 * T18; }
};

// Arial at `pointSize`, "Liberation Sans" where Arial is missing.
QFont reportFont(int pointSize);

// Measures the quantities on `device`: W is its width, the text heights come from its own font
// metrics (its resolution).
ReportLayout reportLayout(const QPaintDevice& device);

// The two pages on an active painter whose device is the page.
void drawScopePage(QPainter& painter, const ReportLayout& layout, const ReportContent& content);
void drawNotesPage(QPainter& painter, const ReportLayout& layout, const ReportContent& content);

// The job: the Scope page if chosen, the Notes page if chosen (on a new page after the Scope
// page). `newPage` starts the next page and returns false when it cannot. With both options off
// nothing is drawn.
bool drawReport(QPainter& painter, const ReportContent& content, const PrintOptions& options,
                const std::function<bool()>& newPage);

// The job on a printer or PDF writer the caller has set up. False when painting cannot start
// (the device refuses the job) or a new page cannot be started.
bool printReport(QPagedPaintDevice& device, const ReportContent& content,
                 const PrintOptions& options);

// The report as a PDF document: A4 portrait, no margins, 600 dpi (pages 4,960 pixels wide).
// Empty when the PDF could not be produced.
QByteArray reportPdf(const ReportContent& content, const PrintOptions& options);

// A white page of `width` x `height` pixels at `dotsPerInch` for drawing the report on.
QImage makeReportPage(int width, int height, int dotsPerInch);

// The pages drawn on white images of that size and resolution, one per page.
std::vector<QImage> renderReportImages(const ReportContent& content, const PrintOptions& options,
                                       int width, int height, int dotsPerInch);

// The time of day now, in the platform's (locale's) time format, for the titles.
std::string currentTimeOfDayText();

}  // namespace corvane
