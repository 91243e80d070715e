// Arbitrary records and window states through data arrival, the composer, the cursor readouts
// and a drag: nothing may be read or written outside the record or the bitmap.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "scope/cursor_drag.h"
#include "scope/cursor_readouts.h"
#include "scope/display_compose.h"

namespace {

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int32_t next32() {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v = (v << 8) | (pos_ < size_ ? data_[pos_++] : 0);
    return int32_t(v);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  WaveformBlock record;
  const size_t recordBytes = size < kBlockSize ? size : kBlockSize;
  if (recordBytes > 0) std::memcpy(record.bytes.data(), data, recordBytes);
  Reader in(data + recordBytes, size - recordBytes);

  WindowState state;
  const int32_t flags = in.next32();
  if (flags & 1) AcceptArrivingRecord(record, state);
  state.grid = GridKind(uint8_t(in.next32()));
  if (flags & 2) {
    state.triggerPosition = in.next32();
    state.triggerLevel = in.next32();
    state.ch1Position = in.next32();
    state.ch2Position = in.next32();
    state.arithPosition = in.next32();
    state.displayCh1VoltDiv = in.next32();
    state.displayCh2VoltDiv = in.next32();
    state.displayTimeDiv = in.next32();
  }
  state.cursors.type = CursorType(uint8_t(in.next32()));
  state.cursors.x1 = in.next32();
  state.cursors.x2 = in.next32();
  state.cursors.y1 = in.next32();
  state.cursors.y2 = in.next32();
  DisplayColors colors;
  colors.ch1 = uint32_t(in.next32());
  colors.cursor = uint32_t(in.next32());

  static DisplayBitmap bitmap;
  static DisplayBitmap display;
  ComposeDisplay(bitmap, record, state, colors);
  (void)UpdateCursorReadouts(record, state);

  CursorDrag drag;
  const int x = in.next32(), y = in.next32();
  drag.mouseDown(x, y, record, state, bitmap, colors);
  drag.mouseMove(in.next32(), in.next32(), record, state, bitmap, display, colors);
  drag.mouseUp(in.next32(), in.next32(), state);
  return 0;
}
