#include "sim/instrument_screen.h"

#include <algorithm>

namespace corvane::sim {
namespace {

constexpr int kCentreX = 131;
constexpr int kCentreY = 125;

void frame(ScreenImage& img) {
  for (int x = kGridLeft; x <= kGridRight; ++x) {
    img.set(x, kGridTop);
    img.set(x, kGridBottom);
  }
  for (int y = kGridTop; y <= kGridBottom; ++y) {
    img.set(kGridLeft, y);
    img.set(kGridRight, y);
  }
}

void centreAxes(ScreenImage& img) {
  for (int x = kGridLeft; x <= kGridRight; x += 5) {
    for (int y = kCentreY - 2; y <= kCentreY + 2; ++y) img.set(x, y);
  }
  for (int y = kGridTop; y <= kGridBottom; y += 5) {
    for (int x = kCentreX - 2; x <= kCentreX + 2; ++x) img.set(x, y);
  }
  for (int x = kGridLeft; x <= kGridRight; ++x) img.set(x, kCentreY);
  for (int y = kGridTop; y <= kGridBottom; ++y) img.set(kCentreX, y);
}

void graticule(ScreenImage& img, int kind) {
  frame(img);
  if (kind == 0) {
    for (int k = 1; k < 10; ++k) {
      for (int y = kGridTop; y <= kGridBottom; y += 5) img.set(kGridLeft + 25 * k, y);
    }
    for (int k = 1; k < 8; ++k) {
      for (int x = kGridLeft; x <= kGridRight; x += 5) img.set(x, kGridTop + 25 * k);
    }
  }
  if (kind == 0 || kind == 1) {
    centreAxes(img);
  } else {
    // Board: ticks along the inside of the frame.
    for (int x = kGridLeft; x <= kGridRight; x += 5) {
      img.set(x, kGridTop + 1);
      img.set(x, kGridBottom - 1);
    }
    for (int y = kGridTop; y <= kGridBottom; y += 5) {
      img.set(kGridLeft + 1, y);
      img.set(kGridRight - 1, y);
    }
  }
}

void plot(ScreenImage& img, int x, int y) {
  if (x >= kGridLeft && x <= kGridRight && y >= kGridTop && y <= kGridBottom) img.set(x, y);
}

void trace(ScreenImage& img, const Trace& codes, bool vectors, int step) {
  int px = 0, py = 0;
  for (int i = 0; i < kTracePoints; i += step) {
    const int x = kGridLeft + i / 2;
    const int y = codeToY(codes[std::size_t(i)]);
    if (vectors && i > 0) {
      img.line(px, py, x, y, kGridLeft, kGridTop, kGridRight, kGridBottom);
    } else {
      plot(img, x, y);
    }
    px = x;
    py = y;
  }
}

// A filled triangle of the given height pointing right (dir 1), left (-1) or down (0), tip at (x,
// y).
void marker(ScreenImage& img, int x, int y, int dir, bool filled) {
  constexpr int kSize = 5;
  for (int d = 0; d < kSize; ++d) {
    for (int w = -d; w <= d; ++w) {
      if (!filled && d != kSize - 1 && w != -d && w != d) continue;
      if (dir == 0) {
        img.set(x + w, y - d);
      } else {
        img.set(x - dir * d, y + w);
      }
    }
  }
}

}  // namespace

ScreenImage paintInstrumentScreen(const InstrumentSettings& s, const DisplayTraces& traces,
                                  const Trace* recall, bool running) {
  ScreenImage img;
  graticule(img, s.gridKind);
  const bool vectors = s.pointStyle != 0;
  if (s.xyFormat != 0) {
    int px = 0, py = 0;
    for (int i = 0; i < kTracePoints; ++i) {
      const int x = kCentreX + (traces.codes[0][std::size_t(i)] - 127);
      const int y = codeToY(traces.codes[1][std::size_t(i)]);
      if (vectors && i > 0) {
        img.line(px, py, x, y, kGridLeft, kGridTop, kGridRight, kGridBottom);
      } else {
        plot(img, x, y);
      }
      px = x;
      py = y;
    }
  } else {
    for (int ch = 0; ch < 2; ++ch) {
      if (s.ch[std::size_t(ch)].hidden == 0) trace(img, traces.codes[std::size_t(ch)], vectors, 1);
    }
  }
  if (recall != nullptr) trace(img, *recall, false, 4);

  for (int ch = 0; ch < 2; ++ch) {
    const int y = std::clamp(rowToY(s.ch[std::size_t(ch)].position), kGridTop, kGridBottom);
    marker(img, kGridLeft - 2, y, 1, ch == 0);
  }
  marker(img, std::clamp(s.triggerPosition, kGridLeft, kGridRight), kGridTop - 2, 0, true);
  if (s.triggerSource <= 1) {
    marker(img, kGridRight + 2, std::clamp(rowToY(s.triggerLevel), kGridTop, kGridBottom), -1,
           true);
  }
  for (int x = 0; x < 10; ++x) {
    for (int y = 2; y < 12; ++y) {
      if (running || x == 0 || x == 9 || y == 2 || y == 11) img.set(x, y);
    }
  }
  return img;
}

}  // namespace corvane::sim
