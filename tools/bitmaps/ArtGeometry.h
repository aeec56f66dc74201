// Where the drawn parts of the editor's bitmaps lie inside one frame, in points: what the generator
// draws and what the tests probe.
#pragma once

namespace qorvart
{
// Knobs: 40 x 40 frames, turning clockwise from -135 to +135 degrees (0 pointing up) over 101 frames.
constexpr float kKnobCentre = 20.0f;
constexpr float kKnobStartDegrees = -135.0f;
constexpr float kKnobSweepDegrees = 270.0f;
constexpr float kKnobPointerInner = 4.5f;
constexpr float kKnobPointerOuter = 11.5f;
constexpr float kKnobArcRadius = 17.5f; // value arc of the large knob
constexpr float kKnobArcWidth = 2.5f;

constexpr float KnobDegrees(int frame, int frames)
{
  return kKnobStartDegrees + kKnobSweepDegrees * (float)frame / (float)(frames - 1);
}

// Meters: 60 segments, segment 0 at the bottom. Segment i covers the rows [Top(i), Top(i) + 2) and the
// row above it is a gap; frame k lights segments 0 .. k - 1.
constexpr int kMeterSegments = 60;
constexpr int kMeterPitch = 3;
constexpr int kMeterSegmentHeight = 2;
constexpr int kMeterHeight = kMeterSegments * kMeterPitch;
constexpr int kMeterSegmentLeft = 2;
constexpr int kMeterSegmentRight = 14;
constexpr int MeterSegmentTop(int i)
{
  return kMeterHeight - kMeterPitch * i - kMeterSegmentHeight;
}
// The mark of frame k lies in the gap row above segment k - 1; frame 0's on the bottom row.
constexpr int MeterMarkRow(int k)
{
  return k == 0 ? kMeterHeight - 1 : kMeterHeight - kMeterPitch * k;
}
// Segments from here up are yellow, from the second up red (-18 dB and -6 dB).
constexpr int kMeterYellowFrom = 42;
constexpr int kMeterRedFrom = 54;

// Priority lamp: a pill lens in its 32 x 16 frame, over the centre of the strip's button column.
constexpr float kLampCentreX = 17.0f;
constexpr float kLampCentreY = 8.0f;
} // namespace qorvart
