// WPG drawings: the interpreter's signature, record lengths, ending rules and
// the pen and brush of a playback; page layout, coordinate mapping, primitives
// and decorations as the operations they send to the canvas; tracing; what a
// damaged file may not do; and real drawings against an independent reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
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
using Rect = std::vector<int>;
const std::string kData = std::string(QUILLON_TEST_DATA) + "/wpg/";

std::vector<unsigned char> Bytes(const std::string& path) {
  const std::string text = ReadText(path);
  return std::vector<unsigned char>(text.begin(), text.end());
}

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
  const std::vector<unsigned char> image = FortyByteDrawing();
  for (int i = 0; i < 16; ++i) {
    for (unsigned char flip : {0x01, 0x20, 0x80}) {
      std::vector<unsigned char> changed = image;
      changed[i] ^= flip;
      EXPECT_EQ(IsWpgImage(changed.data(), changed.size()), i > 3 && i != 9) << i;
    }
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

class WpgTest : public ::testing::Test {
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
  // Carries out records at scale 1, so that the drawn coordinates are the
  // records' own plus the offsets: up to an end record, or only the first
  // when asked where it ends.
  Ops Direct(const std::vector<unsigned char>& image, int xOffset = 0, int yOffset = 0,
             std::size_t* position = nullptr) {
    RecordingCanvas c;
    WPGCURSOR cursor = {image.data(), image.size(), kWpgStreamStart};
    while (!cursor.AtEnd() && ReadWpgRecord(c, cursor, 1.0, 1.0, xOffset, yOffset) != 16 && position == nullptr) {
    }
    if (position != nullptr) *position = cursor.Position;
    EXPECT_EQ(c.errors, Ops{});
    return c.ops;
  }
  TempDir dir_;
};

TEST_F(WpgTest, FortyByteFileDrawsTheDiagonalAndTracesToTwoPointLines) {
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

TEST_F(WpgTest, WordAndLongLengthForms) {
  WpgWriter w;
  w.bytes.insert(w.bytes.end(), {5, 255, 0x08, 0x00, 1, 0, 2, 0, 3, 0, 4, 0});
  std::size_t position = 0;
  EXPECT_EQ(Direct(w.bytes, 0, 0, &position), (Ops{"MoveToEx(1,2)", "LineTo(3,4)"}));
  EXPECT_EQ(position, kWpgStreamStart + 12);
  // 0x8001 then 2: 65538 bytes, a polyline of 16384 16-bit vertices.
  std::vector<std::pair<int, int>> v;
  for (int i = 0; i < 16384; ++i) v.push_back({i, -i});
  WpgWriter p;
  p.Poly16(6, v);
  ASSERT_EQ(std::vector<unsigned char>(p.bytes.begin() + 16, p.bytes.begin() + 22),
            (std::vector<unsigned char>{6, 255, 0x01, 0x80, 0x02, 0x00}));
  const Ops ops = Direct(p.bytes, 0, 0, &position);
  EXPECT_EQ(position, kWpgStreamStart + 6 + 65538);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].substr(0, 25), "Polyline(0,0 1,-1 2,-2 3,");
  EXPECT_EQ(ops[0].substr(ops[0].size() - 14), " 16383,-16383)");
}

TEST_F(WpgTest, OnlyTypesOneToTwentySevenButSixteenLetThePlaybackGoOn) {
  for (int t = 0; t < 256; ++t) {
    WpgWriter w;
    w.Record(static_cast<std::uint8_t>(t), {0, 0}).Line(0, 0, 10800, 7800).End();
    const Ops ops = Played(w.bytes);
    EXPECT_EQ(std::count(ops.begin(), ops.end(), kDiagonal[1]), t >= 1 && t <= 27 && t != 16 ? 1 : 0) << "type " << t;
  }
  // Without an end record the playback stops at the end of the data.
  EXPECT_EQ(Played(WpgWriter().Line(0, 0, 10800, 7800).bytes), Framed(kDiagonal));
}

// Each replacement is selected before the one it replaces is deleted: the
// canvas flags any other order.
TEST_F(WpgTest, AttributeRecordsReplaceThePenAndBrush) {
  LoadDrawing(WpgWriter().Fill(1, 12).Pen(1, 9).Fill(0, 3).Pen(0, 4).Fill(255, 2).Fill(2, 0)  // styles
                  .Pen(1, 16).Fill(1, 255).Pen(3, 15).End().bytes);  // colours beyond the palette give black
  RecordingCanvas c;
  PlayLoaded(c);
  EXPECT_EQ(c.OpsStartingWith("Create"),
            (Ops{"CreateSolidBrush(FFFFFF)=brush1", "CreatePen(SOLID,1,000000)=pen1", "CreateSolidBrush(0000FF)=brush2",
                 "CreatePen(SOLID,1,FF0000)=pen2", "CreateHollowBrush()=brush3", "CreatePen(NULL,1,000080)=pen3",
                 "CreateSolidBrush(FFFFFF)=brush4", "CreateSolidBrush(FFFFFF)=brush5", "CreatePen(SOLID,1,000000)=pen4",
                 "CreateSolidBrush(000000)=brush6", "CreatePen(SOLID,1,FFFFFF)=pen5"}));
  EXPECT_EQ(c.OpsStartingWith("DeleteObject").size(), 11u);
  ExpectCleanCanvas(c);
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

TEST_F(WpgTest, OnlyLinesPolylinesAndPolygonsAreTraced) {
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

TEST_F(WpgTest, VertexLayoutFollowsTheRecordLength) {
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

TEST_F(WpgTest, ARecordReachingPastTheEndIsNotCarriedOutAndEndsThePlayback) {
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

TEST_F(WpgTest, EveryCutOfADrawingDrawsAPrefixOfItsOperations) {
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

TEST_F(WpgTest, DamagedBytesNeverLeaveAnObjectBehind) {
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

TEST_F(WpgTest, APaintDuringTheTraceOnlyDraws) {
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

TEST_F(WpgTest, APaintWhileTheSpectrumIsWrittenOnlyDraws) {
  // A message of the spectrum write runs a modal loop, which paints the window.
  static RecordingCanvas* paint = nullptr;
  static int seen = 0;
  RecordingCanvas painted, trace;
  paint = &painted;
  seen = 0;
  SpectrumSettings.SI = 0;  // the write refuses and says so
  const MessageSink previous = SetMessageSink([](int, int, int, const char*) {
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

Rect Displayed() { return {DisplayRect.left, DisplayRect.top, DisplayRect.right, DisplayRect.bottom}; }

TEST_F(WpgTest, PageLayoutTruncatesAsWritten) {
  LoadDrawing(FortyByteDrawing(), 1000, 500);  // limited by the height
  EXPECT_EQ(Displayed(), (Rect{167, 10, 833, 490}));
  const WPGSTATE& s = *WpgState;
  EXPECT_EQ(std::vector<int>({MapWpgCoordinate(0, s.XScale, s.XOffset), MapWpgCoordinate(0, s.YScale, s.YOffset),
                              MapWpgCoordinate(10800, s.XScale, s.XOffset), MapWpgCoordinate(7800, s.YScale, s.YOffset),
                              MapWpgVertex(5400, s.XScale, s.XOffset), MapWpgVertex(3900, s.YScale, s.YOffset)}),
            std::vector<int>({167, 490, 833, 10, 500, 250}));
  LoadDrawing(FortyByteDrawing(), 500, 1000);  // limited by the width
  EXPECT_EQ(Displayed(), (Rect{10, 326, 490, 674}));
  // The page's own ratio takes the height-limited formulas (the width-limited
  // ones would give 21, 15, 1058, 765).
  LoadDrawing(FortyByteDrawing(), 1080, 780);
  EXPECT_EQ(Displayed(), (Rect{21, 15, 1059, 764}));
  // Nothing breaks without a window, and nothing happens without a state.
  LoadDrawing(FortyByteDrawing(), 0, 0);
  EXPECT_EQ(Displayed(), (Rect{0, 0, 0, 0}));
  ResetProgram();
  DisplayRect = {1, 2, 3, 4};
  const std::vector<unsigned char> image = FortyByteDrawing();
  LayoutWpgPage(image.data(), image.size());
  EXPECT_EQ(Displayed(), (Rect{1, 2, 3, 4}));
}

TEST_F(WpgTest, PageSizeComesFromALeadingStartRecordInEitherLayout) {
  struct Case {
    const char* what;
    std::vector<unsigned char> image;
    std::int32_t width, height;
  };
  std::vector<unsigned char> cut = WpgWriter().Start32(21600, 7800).bytes;
  cut.pop_back();
  // A start record in the word-length form: its data begin two bytes later.
  auto wordForm = [](const WpgWriter::Bytes& data) {
    WpgWriter w;
    w.bytes.insert(w.bytes.end(), {15, 255, static_cast<unsigned char>(data.size()), 0});
    w.bytes.insert(w.bytes.end(), data.begin(), data.end());
    return w.End().bytes;
  };
  const Case cases[] = {
      {"int32 pair", WpgWriter().Start32(21600, 7800).End().bytes, 21600, 7800},
      {"16-bit pair of a six-byte record", WpgWriter().Start16(12000, 6000).End().bytes, 12000, 6000},
      {"16-bit sizes are unsigned", WpgWriter().Start16(40000, 30000).End().bytes, 40000, 30000},
      {"int32 pair, word length", wordForm(WpgWriter::Cat({{1, 0}, WpgWriter::Le32(21600), WpgWriter::Le32(7800)})),
       21600, 7800},
      {"16-bit pair, word length", wordForm(WpgWriter::Cat({{1, 0}, WpgWriter::Le16(12000), WpgWriter::Le16(6000)})),
       12000, 6000},
      {"zero width", WpgWriter().Start32(0, 7800).End().bytes, 10800, 7800},
      {"negative height", WpgWriter().Start32(21600, -7800).End().bytes, 10800, 7800},
      {"16-bit zero width", WpgWriter().Start16(0, 100).End().bytes, 10800, 7800},
      {"too short for a size", WpgWriter().Record(15, {1, 0, 0x30, 0x2A}).End().bytes, 10800, 7800},
      {"not the first record", WpgWriter().Line(0, 0, 1, 1).Start32(21600, 7800).End().bytes, 10800, 7800},
      {"reaching past the end of the file", cut, 10800, 7800},
      {"a real drawing", Bytes(kData + "exiftool_WPG.wpg"), 10617, 4614},
      {"a second-version drawing: its stream has no start record", Bytes(kData + "gm_input2_TC1.wpg"), 10800, 7800},
  };
  for (const Case& c : cases) {
    LoadDrawing(c.image, 1000, 500);
    EXPECT_EQ(WpgState->PageWidth, c.width) << c.what;
    EXPECT_EQ(WpgState->PageHeight, c.height) << c.what;
    if (c.width == 10800) {
      EXPECT_EQ(Displayed(), (Rect{167, 10, 833, 490})) << c.what;
    }
  }
  LoadDrawing(cases[0].image, 1000, 500);
  EXPECT_EQ(Displayed(), (Rect{20, 76, 980, 424}));
}

TEST_F(WpgTest, EachMappingVariantTruncatesAndWrapsItsOwnWay) {
  // A line end or centre left of the window wraps to a large value,
  // truncated toward zero (-0.5 is 0, not -1); a vertex keeps its sign.
  EXPECT_EQ(MapWpgCoordinate(0, 1.0, -1), 65535);
  EXPECT_EQ(MapWpgCoordinate(5, 1.0, -10), 65531);
  EXPECT_EQ(MapWpgCoordinate(70000 - 65536, 1.0, 65536), 4464);
  EXPECT_EQ(MapWpgCoordinate(1, 0.5, -1), 0);
  EXPECT_EQ(MapWpgVertex(5, 1.0, -10), -5);
  EXPECT_EQ(MapWpgVertex(-3, 0.5, 0), -1);
  EXPECT_EQ(MapWpgVertex(2000000000, 4.0, 0), INT_MAX);
  EXPECT_EQ(MapWpgVertex(-2000000000, 4.0, 0), INT_MIN);
  // Radii are rounded and take the size of the scale.
  EXPECT_EQ(MapWpgRadius(1000, 666.0 / 10800), 62);
  EXPECT_EQ(MapWpgRadius(1000, -480.0 / 7800), 62);
  EXPECT_EQ(MapWpgRadius(3, 0.5), 2);
  EXPECT_EQ(MapWpgRadius(2, 0.2), 0);
  WpgWriter w;
  w.Line(5, 5, 20, 20).Poly16(6, {{5, 5}, {20, 20}});
  EXPECT_EQ(Direct(w.bytes, -10, -10), (Ops{"MoveToEx(65531,65531)", "LineTo(10,10)", "Polyline(-5,-5 10,10)"}));
}

TEST_F(WpgTest, Primitives) {
  LoadDrawing(WpgWriter().Ellipse(5400, 3900, 1000, 1000, 0, 0, 360).Ellipse(5400, 3900, 1000, 1000, 0, 45, 135)
                  .Ellipse(5400, 3900, 1000, 1000, 1, 0, 360).End().bytes, 1000, 500);
  RecordingCanvas c;
  PlayLoaded(c);
  // The full ellipse; the arc from 45 to 135 degrees with its rays 10000
  // pixels out from (500, 250); nothing for a rotated one.
  EXPECT_EQ(Ops(c.ops.begin() + 4, c.ops.end() - 4),
            (Ops{"Ellipse(438,188,562,312)", "Arc(438,188,562,312,7571,-6821,-6571,-6821)"}));
  WpgWriter w;
  // Only 0 to 360 is a full ellipse; an end angle beyond 360 wraps as a 16-bit value.
  w.Ellipse(100, 200, 10, 20, 0, 360, 0).Ellipse(100, 200, 10, 20, 0, 0, 450);
  // A polygon is filled, then outlined with a closing segment.
  w.Poly16(8, {{10, 20}, {30, -40}, {50, 60}}).Poly32(6, {{10, 20}, {-30, 40}});
  // Records too short for their fields are skipped without drawing.
  w.Record(5, {1, 0, 2, 0, 3, 0, 4}).Record(9, std::vector<unsigned char>(13, 1)).Record(1, {1}).Record(2, {1});
  EXPECT_EQ(Direct(w.bytes, 5, 7), (Ops{"Arc(95,187,115,227,10105,207,10105,207)",
                                  "Arc(95,187,115,227,10105,207,2861,-9405)",
                                  "CreatePolygonRgn(15,27 35,-33 55,67;ALTERNATE)=rgn1", "PaintRgn(rgn1)",
                                  "DeleteObject(rgn1)", "Polyline(15,27 35,-33 55,67)", "MoveToEx(55,67)",
                                  "LineTo(15,27)", "Polyline(15,27 -25,47)"}));
}

TEST_F(WpgTest, PageFrameAndItsEightHandles) {
  RecordingCanvas c;
  DrawPageFrame(DISPLAYRECT{167, 10, 833, 490}, c);
  EXPECT_EQ(c.ops, (Ops{"CreatePen(DOT,1,000000)=pen1", "SelectObject(pen1)", "MoveToEx(167,10)", "LineTo(833,10)",
                        "LineTo(833,490)", "LineTo(167,490)", "LineTo(167,10)", "SelectObject(BLACK_PEN)",
                        "DeleteObject(pen1)", "SelectObject(BLACK_BRUSH)", "Rectangle(161,4,167,10)",
                        "Rectangle(498,4,503,10)", "Rectangle(834,4,840,10)", "Rectangle(834,248,840,253)",
                        "Rectangle(834,491,840,497)", "Rectangle(498,491,503,497)", "Rectangle(161,491,167,497)",
                        "Rectangle(161,248,167,253)", "SelectObject(WHITE_BRUSH)"}));
  EXPECT_EQ(c.errors, Ops{});
  EXPECT_EQ(c.Live(), Ops{});
  // The centre handles truncate toward zero, also left of the window.
  RecordingCanvas n;
  DrawPageFrame(DISPLAYRECT{-7, -3, 0, 0}, n);
  EXPECT_EQ(n.OpsStartingWith("Rectangle")[1], "Rectangle(-5,-9,0,-3)");
  EXPECT_EQ(n.OpsStartingWith("Rectangle")[3], "Rectangle(1,-3,7,2)");
}

TEST_F(WpgTest, HintStripAlongTheBottomOfTheWindow) {
  ClientWidth = 1000;
  ClientHeight = 500;
  RecordingCanvas c;
  DrawHintStrip(c);
  EXPECT_EQ(c.ops, (Ops{"SelectObject(NULL_PEN)", "SelectObject(LTGRAY_BRUSH)", "Rectangle(0,486,1001,501)",
                        "SelectObject(BLACK_PEN)", "MoveToEx(0,484)", "LineTo(1000,484)", "SelectObject(ANSI_VAR_FONT)",
                        "SetBkMode(TRANSPARENT)", "TextOutA(4,486,Double-click to zoom in and out.)"}));
  // It leaves the black pen, the grey brush and the font selected.
  EXPECT_EQ(c.Selected('p') + " " + c.Selected('b') + " " + c.Selected('f'), "BLACK_PEN LTGRAY_BRUSH ANSI_VAR_FONT");
}

// vertices/NAME.txt holds what wpg2svg reads from NAME.wpg (see
// wpg2svg-vertices.mjs); drawings that hold only bitmaps trace nothing.
TEST_F(WpgTest, RealDrawingsTraceTheVerticesTheIndependentReaderFinds) {
  SpectrumSettings.Mode = SOURCE_WPG;
  int drawings = 0;
  for (const std::string& name : FilesWithPrefix(kData, "")) {
    if (name.size() < 4 || name.substr(name.size() - 4) != ".wpg") continue;
    ++drawings;
    LoadDrawing(Bytes(kData + name), 1000, 700);
    ASSERT_EQ(IsWpgFile(), 1) << name;
    // Displayed once with the decorations, then traced.
    RecordingCanvas paint, trace;
    DrawHintStrip(paint);
    DrawPageFrame(DisplayRect, paint);
    PlayLoaded(paint);
    Recording = 1;
    std::remove(dir_.file("points.txt").c_str());
    PlayLoaded(trace);
    for (const RecordingCanvas* c : {&paint, &trace}) {
      EXPECT_EQ(c->errors, Ops{}) << name;
      EXPECT_EQ(c->Live(), Ops{}) << name;
    }
    const std::string stem = name.substr(0, name.size() - 4);
    EXPECT_EQ(ReadText(dir_.file("points.txt")), ReadText(kData + "vertices/" + stem + ".txt")) << name;
  }
  EXPECT_GE(drawings, 10);
}

}  // namespace
