// The WPG interpreter: signature, record lengths, the ending rules, the pen and
// brush of a playback, tracing, and what a damaged file may not do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "picture/wpg.h"
#include "shell/state.h"
#include "spectrum/messages.h"
#include "spectrum/pointlog.h"
#include "spectrum/settings.h"
#include "test_support.h"
#include "wpg_test_support.h"

namespace {

using Ops = std::vector<std::string>;

// What every playback does before its first record and after its last, when
// no attribute record replaced the pen or brush.
Ops Framed(const Ops& middle) {
  Ops all = {"CreateSolidBrush(FFFFFF)=brush1", "SelectObject(brush1)", "CreatePen(SOLID,1,000000)=pen1",
             "SelectObject(pen1)"};
  all.insert(all.end(), middle.begin(), middle.end());
  all.insert(all.end(), {"SelectObject(WHITE_BRUSH)", "DeleteObject(brush1)", "SelectObject(BLACK_PEN)",
                         "DeleteObject(pen1)"});
  return all;
}
const Ops kDiagonal = {"MoveToEx(167,490)", "LineTo(833,10)"};

// Every created object deleted, the stock pen and brush selected, no misuse.
void ExpectCleanCanvas(const RecordingCanvas& c) {
  EXPECT_EQ(c.errors, Ops{});
  EXPECT_EQ(c.Live(), Ops{});
  EXPECT_EQ(c.Selected('p'), "BLACK_PEN");
  EXPECT_EQ(c.Selected('b'), "WHITE_BRUSH");
}

TEST(WpgSignatureTest, ExactlyTheFiveBytesInAFileOfSixteenOrMore) {
  std::vector<unsigned char> image = FortyByteDrawing();
  for (int i : {4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15}) image[i] = 0xA5;
  for (int b = 0; b < 256; ++b) {
    image[9] = static_cast<unsigned char>(b);
    EXPECT_EQ(IsWpgImage(image.data(), image.size()), b == 0x16) << b;
  }
  image[9] = 0x16;
  for (int i : {0, 1, 2, 3}) {
    std::vector<unsigned char> wrong = image;
    wrong[i] ^= 0x20;
    EXPECT_FALSE(IsWpgImage(wrong.data(), wrong.size())) << i;
  }
  EXPECT_FALSE(IsWpgImage(image.data(), 15));
  EXPECT_TRUE(IsWpgImage(image.data(), 16));
  EXPECT_FALSE(IsWpgImage(nullptr, 40));
  // IsWpgFile looks at the file as read, and only as far as it was read.
  ResetProgram();
  LoadDrawing(image);
  EXPECT_EQ(IsWpgFile(), 1);
  FileBufferLength = 12;
  EXPECT_EQ(IsWpgFile(), 0);
  ResetProgram();
  EXPECT_EQ(IsWpgFile(), 0);
}

class WpgPlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgram();
    std::strcpy(SpectrumSettings.Name, dir_.file("out.dx").c_str());
    std::strcpy(PointLogCopy, dir_.file("points.txt").c_str());
    ReplaceExistingOutput = 1;
  }
  void TearDown() override {
    PointLogCopy[0] = '\0';
    ResetProgram();
  }
  Ops Played(const std::vector<unsigned char>& image) {
    LoadDrawing(image);
    RecordingCanvas c;
    PlayLoaded(c);
    EXPECT_EQ(c.errors, Ops{});
    EXPECT_EQ(c.Live(), Ops{});
    return c.ops;
  }
  // Plays `image` with Recording set and returns the point lines written.
  std::string Trace(const std::vector<unsigned char>& image, RecordingCanvas& c) {
    LoadDrawing(image);
    Recording = 1;
    PlayLoaded(c);
    return ReadText(dir_.file("points.txt"));
  }
  // Carries out records at scale 1 and offset 0, so that the drawn
  // coordinates are the records' own: up to an end record, or only the first
  // when asked where it ends.
  Ops Direct(const std::vector<unsigned char>& image, std::size_t* position = nullptr) {
    RecordingCanvas c;
    WPGCURSOR cursor = {image.data(), image.size(), kWpgStreamStart};
    while (!cursor.AtEnd() && ReadWpgRecord(c, cursor, 1.0, 1.0, 0, 0) != 16 && position == nullptr) {
    }
    if (position != nullptr) *position = cursor.Position;
    return c.ops;
  }
  TempDir dir_;
};

TEST_F(WpgPlaybackTest, FortyByteFileDrawsTheDiagonalAndTracesToTwoPointLines) {
  RecordingCanvas c;
  EXPECT_EQ(Trace(FortyByteDrawing(), c), "0 0\n10800 7800\n");
  // Bottom left to top right of DisplayRect (167, 10, 833, 490).
  EXPECT_EQ(c.ops, Framed(kDiagonal));
  ExpectCleanCanvas(c);
  EXPECT_EQ(CurrentPen, nullptr);
  EXPECT_EQ(CurrentBrush, nullptr);
  EXPECT_EQ(Recording, 0);
  EXPECT_EQ(PointLogFile, qio::kInvalid);
  EXPECT_EQ(PointCount, 2);
  EXPECT_TRUE(FileExists(SpectrumSettings.Name));
}

TEST_F(WpgPlaybackTest, WordAndLongLengthForms) {
  WpgWriter w;
  w.bytes.insert(w.bytes.end(), {5, 255, 0x08, 0x00, 1, 0, 2, 0, 3, 0, 4, 0});
  std::size_t position = 0;
  EXPECT_EQ(Direct(w.bytes, &position), (Ops{"MoveToEx(1,2)", "LineTo(3,4)"}));
  EXPECT_EQ(position, kWpgStreamStart + 12);
  // 0x8001 then 2: 65538 bytes, a polyline of 16384 16-bit vertices.
  std::vector<std::pair<int, int>> v;
  for (int i = 0; i < 16384; ++i) v.push_back({i, -i});
  WpgWriter p;
  p.Poly16(6, v);
  ASSERT_EQ(std::vector<unsigned char>(p.bytes.begin() + 16, p.bytes.begin() + 22),
            (std::vector<unsigned char>{6, 255, 0x01, 0x80, 0x02, 0x00}));
  const Ops ops = Direct(p.bytes, &position);
  EXPECT_EQ(position, kWpgStreamStart + 6 + 65538);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].substr(0, 25), "Polyline(0,0 1,-1 2,-2 3,");
  EXPECT_EQ(ops[0].substr(ops[0].size() - 14), " 16383,-16383)");
}

TEST_F(WpgPlaybackTest, OnlyTypesOneToTwentySevenButSixteenLetThePlaybackGoOn) {
  for (int t = 0; t < 256; ++t) {
    WpgWriter w;
    w.Record(static_cast<std::uint8_t>(t), {0, 0}).Line(0, 0, 10800, 7800).End();
    const Ops ops = Played(w.bytes);
    EXPECT_EQ(std::count(ops.begin(), ops.end(), kDiagonal[1]), t >= 1 && t <= 27 && t != 16 ? 1 : 0) << "type " << t;
  }
  // Without an end record the playback stops at the end of the data.
  EXPECT_EQ(Played(WpgWriter().Line(0, 0, 10800, 7800).bytes), Framed(kDiagonal));
}

TEST_F(WpgPlaybackTest, AttributeRecordsReplaceThePenAndBrushSelectingBeforeDeleting) {
  WpgWriter w;
  w.Fill(1, 12).Pen(1, 9).Fill(0, 3).Pen(0, 4).Fill(255, 2).Fill(2, 0).End();
  LoadDrawing(w.bytes);
  RecordingCanvas c;
  PlayLoaded(c);
  EXPECT_EQ(c.ops, (Ops{"CreateSolidBrush(FFFFFF)=brush1", "SelectObject(brush1)",
                        "CreatePen(SOLID,1,000000)=pen1", "SelectObject(pen1)",
                        "CreateSolidBrush(0000FF)=brush2", "SelectObject(brush2)", "DeleteObject(brush1)",
                        "CreatePen(SOLID,1,FF0000)=pen2", "SelectObject(pen2)", "DeleteObject(pen1)",
                        "CreateHollowBrush()=brush3", "SelectObject(brush3)", "DeleteObject(brush2)",
                        "CreatePen(NULL,1,000080)=pen3", "SelectObject(pen3)", "DeleteObject(pen2)",
                        "CreateSolidBrush(FFFFFF)=brush4", "SelectObject(brush4)", "DeleteObject(brush3)",
                        "CreateSolidBrush(FFFFFF)=brush5", "SelectObject(brush5)", "DeleteObject(brush4)",
                        "SelectObject(WHITE_BRUSH)", "DeleteObject(brush5)", "SelectObject(BLACK_PEN)",
                        "DeleteObject(pen3)"}));
  ExpectCleanCanvas(c);
  // Colour indices beyond the 16 of the palette give black.
  RecordingCanvas beyond;
  LoadDrawing(WpgWriter().Pen(1, 16).Fill(1, 255).Pen(3, 15).End().bytes);
  PlayLoaded(beyond);
  EXPECT_EQ(beyond.OpsStartingWith("Create"), (Ops{"CreateSolidBrush(FFFFFF)=brush1", "CreatePen(SOLID,1,000000)=pen1",
                                                   "CreatePen(SOLID,1,000000)=pen2", "CreateSolidBrush(000000)=brush2",
                                                   "CreatePen(SOLID,1,FFFFFF)=pen3"}));
  // An attribute whose object cannot be made keeps the current one.
  LoadDrawing(WpgWriter().Pen(1, 12).Fill(1, 12).Line(0, 0, 10800, 7800).End().bytes);
  RecordingCanvas failing;
  failing.onOp = [&failing](const std::string& op) {
    if (op == "SelectObject(pen1)") failing.failCreations = true;
    if (op == "MoveToEx(167,490)") failing.failCreations = false;
  };
  PlayLoaded(failing);
  EXPECT_EQ(failing.ops, Framed({"CreatePen(SOLID,1,0000FF)=null", "CreateSolidBrush(0000FF)=null", kDiagonal[0],
                                 kDiagonal[1]}));
  ExpectCleanCanvas(failing);
}

TEST_F(WpgPlaybackTest, OnlyLinesPolylinesAndPolygonsAreTraced) {
  WpgWriter w;
  w.Start32(10800, 7800)
      .Fill(1, 4)
      .Pen(1, 0)
      .Line(5, 6, 7, 8)
      .Record(7, {1, 2, 3, 4, 5, 6, 7, 8})  // a rectangle: skipped
      .Ellipse(5400, 3900, 100, 100, 0, 0, 360)
      .Line(9, 9, 9, 9)
      .Poly16(6, {{-3, 40000}, {10, -20}})
      .Poly32(8, {{100000, -7}, {3, 70000}, {-2000000000, 2}})
      .Poly16(6, {})
      .Poly32(8, {})
      .End()
      .Line(1, 1, 1, 1);
  RecordingCanvas c;
  // 40000 in a 16-bit vertex is -25536: real drawings store signed values.
  EXPECT_EQ(Trace(w.bytes, c), "5 6\n7 8\n9 9\n9 9\n-3 -25536\n10 -20\n100000 -7\n3 70000\n-2000000000 2\n");
  EXPECT_EQ(PointCount, 9);
  EXPECT_EQ(c.OpsStartingWith("Polyline").size(), 2u) << "no vertices, nothing drawn";
  EXPECT_EQ(c.OpsStartingWith("CreatePolygonRgn").size(), 1u);
  ExpectCleanCanvas(c);
}

TEST_F(WpgPlaybackTest, VertexLayoutFollowsTheRecordLength) {
  // Three vertices in 24 bytes are 32-bit pairs; six in 24 bytes 16-bit ones.
  std::vector<unsigned char> d = WpgWriter::Le16(3);
  for (int v : {1, 2, 3, 4, 5, 6}) d = WpgWriter::Cat({d, WpgWriter::Le32(v)});
  std::vector<unsigned char> six = d;
  six[0] = 6;
  WpgWriter w;
  w.Record(6, d).Record(6, six);
  // Lengths that fit neither layout are not carried out; the playback goes on.
  w.Record(6, {1, 0, 1, 0, 2, 0, 9}).Record(8, {2, 0, 1, 0, 2, 0}).Record(6, {7}).Line(1, 2, 3, 4).End();
  EXPECT_EQ(Direct(w.bytes),
            (Ops{"Polyline(1,2 3,4 5,6)", "Polyline(1,0 2,0 3,0 4,0 5,0 6,0)", "MoveToEx(1,2)", "LineTo(3,4)"}));
}

TEST_F(WpgPlaybackTest, ARecordReachingPastTheEndIsNotCarriedOutAndEndsThePlayback) {
  const std::vector<std::vector<unsigned char>> tails = {
      {5, 8, 100, 0, 100, 0, 200, 0, 200},  // a line without its last byte
      {5}, {5, 255}, {5, 255, 8}, {5, 255, 0x00, 0x80}, {5, 255, 0x00, 0x80, 0x08},  // length fields cut short
      {5, 255, 0x00, 0x80, 0x08, 0x00},
      {6, 255, 0x0A, 0x00, 0x02, 0x00, 1, 0, 1, 0}};  // more vertices than the file holds
  for (const auto& tail : tails) {
    WpgWriter w;
    w.Line(0, 0, 10800, 7800).bytes.insert(w.bytes.end(), tail.begin(), tail.end());
    RecordingCanvas c;
    EXPECT_EQ(Trace(w.bytes, c), "0 0\n10800 7800\n") << tail.size();
    EXPECT_EQ(c.ops, Framed(kDiagonal)) << tail.size();
  }
}

// A drawing with every kind of record the interpreter carries out.
std::vector<unsigned char> MixedDrawing() {
  return WpgWriter()
      .Start16(10800, 7800)
      .Fill(1, 2)
      .Pen(1, 1)
      .Line(10, 20, 30000, 7000)
      .Poly16(6, {{0, 0}, {500, 900}, {1000, -300}})
      .Poly16(8, {{100, 100}, {900, 100}, {500, 800}})
      .Ellipse(5400, 3900, 1000, 600, 0, 30, 200)
      .Ellipse(5400, 3900, 1000, 600, 0, 0, 360)
      .Poly32(6, {{1, 2}, {3, 4}})
      .Record(11, std::vector<unsigned char>(300, 0x55))
      .Fill(0, 0)
      .Pen(0, 0)
      .Line(1, 1, 2, 2)
      .End()
      .bytes;
}

TEST_F(WpgPlaybackTest, EveryCutOfADrawingDrawsAPrefixOfItsOperations) {
  const std::vector<unsigned char> full = MixedDrawing();
  const Ops whole = Played(full);
  const Ops drawn(whole.begin(), whole.end() - 4);
  for (size_t n = 16; n < full.size(); ++n) {
    const Ops ops = Played(std::vector<unsigned char>(full.begin(), full.begin() + static_cast<long>(n)));
    ASSERT_GE(ops.size(), 4u) << n;
    ASSERT_LE(ops.size() - 4, drawn.size()) << n;
    EXPECT_TRUE(std::equal(ops.begin(), ops.end() - 4, drawn.begin())) << "cut at " << n;
  }
}

TEST_F(WpgPlaybackTest, DamagedBytesNeverLeaveAnObjectBehind) {
  // Whatever the bytes say, the playback stays inside the file (the
  // sanitizers watch) and cleans up after itself.
  const std::vector<unsigned char> full = MixedDrawing();
  std::mt19937 random(20240605);
  for (int round = 0; round < 1500; ++round) {
    std::vector<unsigned char> image = full;
    const int hits = 1 + static_cast<int>(random() % 6);
    for (int h = 0; h < hits; ++h) image[16 + random() % (image.size() - 16)] = static_cast<unsigned char>(random());
    if (round % 3 == 0) image.resize(16 + random() % (image.size() - 16));
    LoadDrawing(image);
    RecordingCanvas c;
    PlayLoaded(c);
    ASSERT_EQ(c.errors, Ops{}) << round;
    ASSERT_EQ(c.Live(), Ops{}) << round;
  }
}

TEST_F(WpgPlaybackTest, APaintDuringTheTraceOnlyDraws) {
  LoadDrawing(WpgWriter().Fill(1, 12).Pen(1, 4).Line(0, 0, 10800, 7800).Poly16(6, {{1, 2}, {3, 4}}).End().bytes);
  RecordingCanvas paint, trace;
  int nested = 0;
  // The window is painted while the conversion's playback is at its first line.
  trace.onOp = [&](const std::string& op) {
    if (op == "LineTo(833,10)" && nested++ == 0) {
      PlayLoaded(paint);
      EXPECT_EQ(Recording, 1);
    }
  };
  Recording = 1;
  PlayLoaded(trace);
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(ReadText(dir_.file("points.txt")), "0 0\n10800 7800\n1 2\n3 4\n");
  EXPECT_EQ(Recording, 0);
  EXPECT_EQ(PointLogFile, qio::kInvalid);
  // Both drew everything; the trace went on with its own pen and brush.
  EXPECT_EQ(paint.OpsStartingWith("Polyline"), Ops{"Polyline(167,489 167,489)"});
  EXPECT_EQ(trace.OpsStartingWith("Polyline"), Ops{"Polyline(167,489 167,489)"});
  ExpectCleanCanvas(paint);
  ExpectCleanCanvas(trace);
}

TEST_F(WpgPlaybackTest, APaintWhileTheSpectrumIsWrittenOnlyDraws) {
  // A message of the spectrum write runs a modal loop, which paints the window.
  static RecordingCanvas* paint = nullptr;
  static int seen = 0;
  RecordingCanvas painted, trace;
  paint = &painted;
  seen = 0;
  SpectrumSettings.SI = 0;  // the write refuses and says so
  const MessageSink previous = SetMessageSink([](int, int, int) {
    ++seen;
    EXPECT_NE(PointLogFile, qio::kInvalid);
    PlayLoaded(*paint);
  });
  LoadDrawing(FortyByteDrawing());
  Recording = 1;
  PlayLoaded(trace);
  SetMessageSink(previous);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(ReadText(dir_.file("points.txt")), "0 0\n10800 7800\n");
  EXPECT_EQ(painted.ops, Framed(kDiagonal));
  EXPECT_EQ(Recording, 0);
  ExpectCleanCanvas(trace);
}

TEST_F(WpgPlaybackTest, TraceReturnsWhetherASpectrumWasWritten) {
  NullCanvas canvas;
  LoadDrawing(FortyByteDrawing());
  EXPECT_NE(TraceWpg(canvas, WpgState->XScale, WpgState->YScale, WpgState->XOffset, WpgState->YOffset), 0);
  EXPECT_EQ(Recording, 0);
  LoadDrawing(WpgWriter().Ellipse(1, 1, 1, 1, 0, 0, 360).End().bytes);
  MessageCapture messages;
  EXPECT_EQ(TraceWpg(canvas, WpgState->XScale, WpgState->YScale, WpgState->XOffset, WpgState->YOffset), 0);
  EXPECT_EQ(messages.ids(), std::vector<int>{IDS_NO_CURVE});
}

}  // namespace
