#include "scope/display_compose.h"

#include <algorithm>
#include <array>

#include "analysis/value_tables.h"
#include "scope/cursor_conversions.h"

namespace corvane {
namespace {

int64_t nearest(double v) {
  return roundHalfEven(v);
}

double ratioOrOne(std::optional<double> acquired, std::optional<double> displayed) {
  if (!acquired || !displayed || *displayed <= 0.0) return 1.0;
  return *acquired / *displayed;
}

// The point style: dots paint (x - 1, y) alone, vectors join every point to the previous one.
class TracePen {
 public:
  TracePen(DisplayBitmap& bitmap, uint32_t color, bool vectors)
      : bitmap_(bitmap), color_(color), vectors_(vectors) {}
  void moveTo(int64_t x, int64_t y) {
    x_ = x;
    y_ = y;
  }
  void point(int64_t x, int64_t y) {
    if (vectors_) {
      bitmap_.drawLine(x_, y_, x, y, color_);
    } else {
      bitmap_.drawLine(x - 1, y, x, y, color_);
    }
    moveTo(x, y);
  }

 private:
  DisplayBitmap& bitmap_;
  uint32_t color_;
  bool vectors_;
  int64_t x_ = 0;
  int64_t y_ = 0;
};

int64_t clampPosition(int64_t v) {
  return std::clamp<int64_t>(v, 87, 287) - 87;
}

void drawTimeTrace(DisplayBitmap& bitmap, const WaveformBlock& record, int ch, int windowPosition,
                   double kV, const DisplayScale& scale, uint32_t color) {
  const double p = double(clampPosition(record.position(ch)));
  std::array<double, kPointCount> w0{};
  for (int i = 0; i < kPointCount; ++i)
    w0[std::size_t(i)] = (226.0 - record.sample(ch, i) - p) * kV;
  std::array<double, kPointCount> w = w0;
  if (scale.kT != 1.0) {
    const int c = scale.expansionCentre;
    for (int k = 0; k < kPointCount; ++k) {
      // kT >= 1 keeps the source index between k and c; the clamp only guards that promise.
      const int64_t source =
          std::clamp<int64_t>(nearest((k - c) / scale.kT) + c, 0, kPointCount - 1);
      w[std::size_t(k)] = w0[std::size_t(source)];
    }
  }
  const double shift = 1.2 * double(clampPosition(windowPosition));
  auto row = [shift](double v) {
    return std::clamp<int64_t>(11 + nearest(1.2 * v + shift), 9, 250);
  };
  TracePen pen(bitmap, color, record.PointStyle() != 0);
  pen.moveTo(11, row(w[0]));
  for (int k = 0; k <= 496; k += 4) {
    const int64_t x = 12 + nearest(0.6 * k);
    pen.point(x, row(w[std::size_t(k)]));
    pen.point(x, row(w[std::size_t(k + 1)]));
  }
}

void drawXY(DisplayBitmap& bitmap, const WaveformBlock& record, WindowState& state,
            const DisplayScale& scale, uint32_t color) {
  state.ch1Position = std::clamp(state.ch1Position, 87, 287);
  state.ch2Position = std::clamp(state.ch2Position, 87, 287);
  const double d1 = double(state.ch1Position) - record.Ch1Position();
  const double d2 = double(state.ch2Position) - record.Ch2Position();
  for (int i = 0; i < kPointCount; ++i) {
    double a = record.Ch1Samples(i) - 2.0 - d1;
    double b = record.Ch2Samples(i) - 27.0 - d2;
    a = (a - 125.0) * scale.kV1 + 125.0;
    b = (b - 100.0) * scale.kV2 + 100.0;
    bitmap.setPixel(13 + nearest(1.2 * a), 250 - nearest(1.2 * b), color);
  }
}

void drawArithmetic(DisplayBitmap& bitmap, const WaveformBlock& record, const WindowState& state,
                    bool vectors, uint32_t color) {
  const int64_t off = nearest(1.2 * double(int64_t{state.arithPosition} - record.ArithPosition()));
  auto row = [off](int32_t v) { return 280 + off - nearest(1.2 * v); };
  TracePen pen(bitmap, color, vectors);
  pen.moveTo(11, row(record.ArithTrace(0)));
  for (int i = 0; i <= 494; i += 2) {
    const int64_t x = 12 + nearest(0.6 * i);
    pen.point(x, row(record.ArithTrace(i)));
    pen.point(x, row(record.ArithTrace(i + 1)));
  }
}

int64_t storedTraceRow(uint16_t v) {
  return 282 - nearest(1.2 * v);
}

// Recall and limit traces: entries 0..495 in groups of four, one column per group (the recall
// trace's columns), an entry drawn only where its validity flag is 1.
template <typename Value, typename Valid>
void drawGroupedTrace(DisplayBitmap& bitmap, bool vectors, uint32_t color, Value value,
                      Valid valid) {
  TracePen pen(bitmap, color, vectors);
  pen.moveTo(11, storedTraceRow(value(0)));
  for (int i0 = 0; i0 <= 492; i0 += 4) {
    const int64_t x = 12 + nearest(0.6 * i0);
    for (int j = i0; j < i0 + 4; ++j) {
      if (valid(j)) pen.point(x, storedTraceRow(value(j)));
    }
  }
}

}  // namespace

DisplayScale ComputeDisplayScale(const WaveformBlock& record, const WindowState& state) {
  DisplayScale scale;
  scale.kV1 = ratioOrOne(millivoltsPerDivision(record.Ch1VoltDivIndex()),
                         millivoltsPerDivision(state.displayCh1VoltDiv));
  scale.kV2 = ratioOrOne(millivoltsPerDivision(record.Ch2VoltDivIndex()),
                         millivoltsPerDivision(state.displayCh2VoltDiv));
  scale.kT = std::max(1.0, ratioOrOne(secondsPerDivision(record.TimeDivIndex()),
                                      secondsPerDivision(state.displayTimeDiv)));
  scale.expansionCentre = int(2 * std::clamp<int64_t>(int64_t{state.triggerPosition} - 6, 0, 249));
  return scale;
}

bool arithmeticTraceShown(const WaveformBlock& record) {
  return record.ArithMode() >= 1 && record.ArithMode() <= 5 && record.ArithShown() == 1;
}

bool triggerLevelMarkerShown(const WaveformBlock& record) {
  return record.TriggerSource() <= 1;
}

void DrawGraticule(DisplayBitmap& bitmap, GridKind grid, const DisplayColors& colors) {
  bitmap.fill(kBlack);
  const uint32_t c = colors.grid;
  bitmap.drawLine(12, 10, 311, 10, c);
  bitmap.drawLine(311, 10, 311, 249, c);
  bitmap.drawLine(311, 249, 12, 249, c);
  bitmap.drawLine(12, 249, 12, 10, c);
  for (int t = 0; t <= 294; t += 6) {
    const int x = 12 + t;
    bitmap.drawLine(x, 10, x, 14, c);
    bitmap.drawLine(x, 249, x, 245, c);
  }
  for (int t = 0; t <= 234; t += 6) {
    const int y = 10 + t;
    bitmap.drawLine(12, y, 16, y, c);
    bitmap.drawLine(311, y, 307, y, c);
  }
  if (grid == GridKind::Cross || grid == GridKind::Full) {
    bitmap.drawLine(12, 130, 312, 130, c);
    bitmap.drawLine(162, 10, 162, 250, c);
    for (int t = 0; t <= 294; t += 6) {
      const int x = 12 + t;
      if (t % 30 == 0) {
        bitmap.drawLine(x, 126, x, 135, c);
      } else {
        bitmap.drawLine(x, 127, x, 134, c);
      }
    }
    for (int t = 0; t <= 234; t += 6) {
      const int y = 10 + t;
      if (t % 30 == 0) {
        bitmap.drawLine(158, y, 167, y, c);
      } else {
        bitmap.drawLine(159, y, 166, y, c);
      }
    }
  }
  if (grid == GridKind::Full) {
    for (int x = 12; x <= 282; x += 30) {
      for (int y = 10; y <= 244; y += 6) bitmap.setPixel(x, y, c);
    }
    for (int y = 10; y <= 220; y += 30) {
      for (int x = 12; x <= 306; x += 6) bitmap.setPixel(x, y, c);
    }
  }
}

void DrawTraces(DisplayBitmap& bitmap, const WaveformBlock& record, WindowState& state,
                const DisplayColors& colors) {
  const DisplayScale scale = ComputeDisplayScale(record, state);
  const bool vectors = record.PointStyle() != 0;
  if (record.XYFormat() == 0) {
    if (record.Ch1Hidden() == 0) {
      drawTimeTrace(bitmap, record, 0, state.ch1Position, scale.kV1, scale, colors.ch1);
    }
    if (record.Ch2Hidden() == 0) {
      drawTimeTrace(bitmap, record, 1, state.ch2Position, scale.kV2, scale, colors.ch2);
    }
  } else {
    drawXY(bitmap, record, state, scale, colors.ch1);
  }
  if (arithmeticTraceShown(record)) drawArithmetic(bitmap, record, state, vectors, colors.merge);
  if (record.RecallShown() != 0) {
    drawGroupedTrace(
        bitmap, vectors, colors.recall, [&](int i) { return record.RecallSamples(i); },
        [&](int i) { return record.RecallValid(i) == 1; });
  }
  if (record.LimitsHidden() == 0) {
    auto live = [&](int i) { return record.PointValid(i) == 1; };
    drawGroupedTrace(
        bitmap, vectors, colors.goNoGo, [&](int i) { return record.LimitUpper(i); }, live);
    drawGroupedTrace(
        bitmap, vectors, colors.goNoGo, [&](int i) { return record.LimitLower(i); }, live);
  }
}

void DrawTriggerLevelMarker(DisplayBitmap& bitmap, int64_t level) {
  bitmap.fillRect(312, 10, 321, 250, kBlack);
  const int64_t y = LevelToY(level);
  bitmap.fillTriangle(312, y, 317, y - 3, 317, y + 3, kTriggerLevelMarkerColor);
}

void DrawCursors(DisplayBitmap& bitmap, const CursorState& cursors, const DisplayColors& colors) {
  const uint32_t c = colors.cursor;
  const bool time = cursors.type == CursorType::Time || cursors.type == CursorType::Pair;
  const bool voltage = cursors.type == CursorType::Voltage || cursors.type == CursorType::Pair;
  if (time) {
    bitmap.drawLine(cursors.x1, 10, cursors.x1, 250, c);
    bitmap.drawLine(cursors.x2, 10, cursors.x2, 250, c);
  }
  if (voltage) {
    bitmap.drawLine(12, cursors.y1, 312, cursors.y1, c);
    bitmap.drawLine(12, cursors.y2, 312, cursors.y2, c);
  }
  if (cursors.type == CursorType::Pair) {
    const int64_t x1 = cursors.x1, y1 = cursors.y1, x2 = cursors.x2, y2 = cursors.y2;
    bitmap.drawRectangle(x1 - 2, y1 - 2, x1 + 3, y1 + 3, c, inverseColor(c));
    bitmap.drawRectangle(x2 - 2, y2 - 2, x2 + 3, y2 + 3, c, inverseColor(c));
  }
}

void DrawChannelMarkers(DisplayBitmap& bitmap, const WaveformBlock& record,
                        const WindowState& state, const DisplayColors& colors) {
  bitmap.fillRect(0, 5, 12, 260, kBlack);
  auto tag = [&](char text, int position, uint32_t slot) {
    const int64_t y = PositionToY(position);
    bitmap.drawGlyph(4, y - 5, text, inverseColor(slot), slot);
  };
  if (record.Ch1Hidden() == 0) tag('1', state.ch1Position, colors.ch1);
  if (record.Ch2Hidden() == 0) tag('2', state.ch2Position, colors.ch2);
  if (arithmeticTraceShown(record)) tag('M', state.arithPosition, colors.merge);
}

void DrawTriggerPositionMarker(DisplayBitmap& bitmap, int64_t triggerPosition) {
  bitmap.fillRect(0, 0, 322, 10, kBlack);
  bitmap.fillRect(12, 250, 322, 260, kBlack);
  const int64_t x = TriggerPositionToX(triggerPosition);
  bitmap.fillTriangle(x, 8, x - 3, 3, x + 3, 3, kTriggerPositionMarkerColor);
}

void ComposeDisplay(DisplayBitmap& bitmap, const WaveformBlock& record, WindowState& state,
                    const DisplayColors& colors) {
  DrawGraticule(bitmap, state.grid, colors);
  DrawTraces(bitmap, record, state, colors);
  if (triggerLevelMarkerShown(record)) DrawTriggerLevelMarker(bitmap, state.triggerLevel);
  DrawCursors(bitmap, state.cursors, colors);
  DrawChannelMarkers(bitmap, record, state, colors);
  DrawTriggerPositionMarker(bitmap, state.triggerPosition);
}

void ComposeDisplayWithoutCursors(DisplayBitmap& bitmap, const WaveformBlock& record,
                                  WindowState& state, const DisplayColors& colors) {
  DrawGraticule(bitmap, state.grid, colors);
  DrawTraces(bitmap, record, state, colors);
  DrawTriggerPositionMarker(bitmap, state.triggerPosition);
  if (triggerLevelMarkerShown(record)) DrawTriggerLevelMarker(bitmap, state.triggerLevel);
  DrawChannelMarkers(bitmap, record, state, colors);
}

}  // namespace corvane
