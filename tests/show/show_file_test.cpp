// The show file and the TSL UMD packets: what the reader takes and refuses
// (naming the key), a show written and read back, and TSL packets built and
// read against the published byte layout.
#include "show/show_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "show/tsl_umd.h"

namespace {
using Bytes = std::vector<uint8_t>;

const char* kExample = R"({
  "sources": [{"number": 1, "name": "CAM 1"}, {"number": 2, "name": "CAM 2"}],
  "multiviewer": {"device": "192.168.1.100,1",
                  "inputs": [{"sdi": 1, "router_output": 1}, {"sdi": 2, "source": 2}]},
  "router": {"device": "192.168.1.50", "routes": [{"output": 1, "input": 3}]},
  "switcher": {"device": "192.168.1.60,7",
               "inputs": [{"input": 1, "router_output": 5}, {"input": 2, "source": 2}]},
  "tally": {"program": "Red", "preview": "green"},
  "tsl": {"listen": 8900, "from": ["10.0.0.9"], "send": ["192.168.1.200:8900"], "screen": 3}
})";

TEST(ShowFileTest, TheExampleIsTakenWithEveryKey) {
  const ShowRead read = read_show(kExample);
  ASSERT_TRUE(read.ok()) << read.error.toStdString();
  const Show& s = *read.show;
  EXPECT_EQ(s.source_names[1], QStringLiteral("CAM 2"));
  EXPECT_EQ(s.multiviewer, (ShowDevice{"192.168.1.100", 1}));
  EXPECT_EQ(s.router, (ShowDevice{"192.168.1.50", 1}));
  EXPECT_EQ(s.switcher, (ShowDevice{"192.168.1.60", 7}));
  EXPECT_EQ(s.multiviewer_inputs[0], (ShowFeed{ShowFeed::Kind::RouterOutput, 1}));
  EXPECT_EQ(s.multiviewer_inputs[1], (ShowFeed{ShowFeed::Kind::Source, 2}));
  EXPECT_EQ(s.multiviewer_inputs[2].kind, ShowFeed::Kind::None);
  EXPECT_EQ(s.switcher_inputs[0], (ShowFeed{ShowFeed::Kind::RouterOutput, 5}));
  EXPECT_EQ(s.router_routes, (std::vector<ShowRoute>{{1, 3}}));
  EXPECT_EQ(s.program_colour, 2);
  EXPECT_EQ(s.preview_colour, 4);
  EXPECT_EQ(s.tsl_listen, 8900);
  EXPECT_EQ(s.tsl_from, (std::vector<ShowPeer>{{"10.0.0.9", 0}}));
  EXPECT_EQ(s.tsl_send, (std::vector<ShowPeer>{{"192.168.1.200", 8900}}));
  EXPECT_EQ(s.tsl_screen, 3);

  // Written and read back, it is the same show; saved, the file reads back too.
  const ShowRead again = read_show(write_show(s));
  ASSERT_TRUE(again.ok()) << again.error.toStdString();
  EXPECT_EQ(*again.show, s);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("studio.json"));
  EXPECT_TRUE(save_show_file(path, s).isEmpty());
  const ShowRead loaded = load_show_file(path);
  ASSERT_TRUE(loaded.ok());
  EXPECT_EQ(*loaded.show, s);
}

TEST(ShowFileTest, AFaultRefusesTheWholeFileNamingTheKey) {
  struct Case {
    const char* json;
    const char* error_start;
  };
  const Case cases[] = {
      {"[1]", "the file must hold one JSON object"},
      {"{", "not JSON"},
      {R"({"source": []})", "source: unknown key"},
      {R"({"sources": [{"number": 65, "name": "X"}]})", "sources[0].number: 65 is out of range"},
      {R"({"sources": [{"number": 1.5, "name": "X"}]})", "sources[0].number: must be a whole"},
      {R"({"sources": [{"number": 1, "name": "ABCDEFGHIJKLMNOPQ"}]})",
       "sources[0].name: \"ABCDEFGHIJKLMNOPQ\" is longer than 16"},
      {R"({"sources": [{"number": 1, "name": "A"}, {"number": 1, "name": "B"}]})",
       "sources[1].number: source 1 is listed twice"},
      {R"({"multiviewer": {"device": "192.168.1"}})", "multiviewer.device: \"192.168.1\""},
      {R"({"multiviewer": {"device": "10.0.0.1,300"}})", "multiviewer.device: \"10.0.0.1,300\""},
      {R"({"router": {}})", "router.device: missing"},
      {R"({"multiviewer": {"device": "10.0.0.1", "inputs": [{"sdi": 1, "source": 1},
            {"sdi": 1, "source": 2}]}})",
       "multiviewer.inputs[1].sdi: sdi 1 is listed twice"},
      {R"({"multiviewer": {"device": "10.0.0.1", "inputs": [{"sdi": 17, "source": 1}]}})",
       "multiviewer.inputs[0].sdi: 17 is out of range"},
      {R"({"multiviewer": {"device": "10.0.0.1", "inputs": [{"sdi": 1}]}})",
       "multiviewer.inputs[0]: needs either router_output or source"},
      {R"({"switcher": {"device": "10.0.0.1", "inputs": [{"input": 1, "router_output": 9}]}})",
       "switcher.inputs[0].router_output: 9 is out of range"},
      {R"({"tally": {"program": "Scarlet"}})",
       "tally.program: \"Scarlet\" is no colour of the multiviewer"},
      {R"({"tsl": {"send": ["10.0.0.1"]}})", "tsl.send[0]: \"10.0.0.1\": needs ADDRESS:PORT"},
      {R"({"tsl": {"send": ["10.0.0.1:0"]}})", "tsl.send[0]: \"10.0.0.1:0\": the port must be"},
      {R"({"tsl": {"listen": 70000}})", "tsl.listen: 70000 is out of range"},
      {R"({"router": {"device": "10.0.0.1", "routes": [{"output": 1, "input": 2},
            {"output": 1, "input": 3}]}})",
       "router.routes[1].output: output 1 is listed twice"},
  };
  for (const Case& c : cases) {
    const ShowRead read = read_show(c.json);
    EXPECT_FALSE(read.ok()) << c.json;
    EXPECT_TRUE(read.error.startsWith(QString::fromUtf8(c.error_start)))
        << c.json << "\n  gave: " << read.error.toStdString();
  }
  // The file's path leads the reason; what is no regular file is not read.
  QTemporaryDir dir;
  EXPECT_TRUE(load_show_file(dir.path()).error.startsWith(QStringLiteral("Cannot read ")));
  const QString bad = dir.filePath(QStringLiteral("bad.json"));
  QFile f(bad);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(R"({"tally": {"preview": "Mauve"}})");
  f.close();
  EXPECT_EQ(load_show_file(bad).error,
            bad + QStringLiteral(": tally.preview: \"Mauve\" is no colour of the multiviewer"));
}

// ---- TSL UMD ----

uint16_t le16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

TEST(TslUmdTest, AVersion5PacketCarriesOneDisplayMessageAsPublished) {
  Tsl5Message m;
  m.index = 7;
  m.text = QStringLiteral("CAM 7");
  m.right = TslTally::Red;
  m.text_tally = TslTally::Red;
  m.left = TslTally::Green;
  m.brightness = 3;
  const Bytes p = build_tsl5_packet(2, m);
  ASSERT_EQ(p.size(), 12u + 5u);
  EXPECT_EQ(le16(p, 0), p.size() - 2);  // PBC
  EXPECT_EQ(p[2], 0);                   // VER
  EXPECT_EQ(p[3], 0);                   // FLAGS: ASCII, display data
  EXPECT_EQ(le16(p, 4), 2);             // SCREEN
  EXPECT_EQ(le16(p, 6), 7);             // INDEX
  EXPECT_EQ(le16(p, 8), 1 | 1 << 2 | 2 << 4 | 3 << 6);
  EXPECT_EQ(le16(p, 10), 5);
  EXPECT_EQ(std::string(p.begin() + 12, p.end()), "CAM 7");

  const Tsl5Parse back = parse_tsl5(p);
  ASSERT_TRUE(back.packet);
  ASSERT_EQ(back.packet->messages.size(), 1u);
  EXPECT_EQ(back.packet->messages[0].text, QStringLiteral("CAM 7"));
  EXPECT_EQ(back.packet->messages[0].left, TslTally::Green);
}

TEST(TslUmdTest, ParsersTakeWhatTheLayoutAllowsAndRefuseTheRest) {
  // Two display messages: window 1 red with text, every display green with
  // none.
  Bytes two = {0, 0, 0, 0, 0xFF, 0xFF, 1, 0, 0x04, 0, 2, 0, 'A', 'B', 0xFF, 0xFF, 0x08, 0, 0, 0};
  two[0] = static_cast<uint8_t>(two.size() - 2);
  const Tsl5Parse p = parse_tsl5(two);
  ASSERT_TRUE(p.packet) << p.why;
  EXPECT_EQ(p.packet->screen, 0xFFFF);
  ASSERT_EQ(p.packet->messages.size(), 2u);
  EXPECT_EQ(p.packet->messages[0].text_tally, TslTally::Red);
  EXPECT_EQ(p.packet->messages[1].index, kTslEveryIndex);
  EXPECT_EQ(p.packet->messages[1].text, QString());

  Bytes unicode = {0, 0, 0, 1, 0, 0, 3, 0, 0, 0, 4, 0, 'H', 0, 0x0A, 0};
  unicode[0] = static_cast<uint8_t>(unicode.size() - 2);
  const Tsl5Parse u = parse_tsl5(unicode);
  ASSERT_TRUE(u.packet);
  EXPECT_EQ(u.packet->messages[0].text, QStringLiteral("H "));  // the line feed is blanked

  for (const Bytes& bad : {Bytes{1, 0}, Bytes{9, 0, 0, 0, 0, 0, 1, 0, 0, 0, 9},
                           Bytes{8, 0, 0, 0, 0, 0, 1, 0, 0, 0}, Bytes(2049, 0)})
    EXPECT_FALSE(parse_tsl5(bad).packet);

  Bytes v31(18, ' ');
  v31[0] = 0x80 + 3;
  v31[1] = 0x02 | 0x30;  // tally 2, brightness 3
  v31[2] = 'V';
  v31[3] = 'T';
  v31[4] = 'R';
  ASSERT_TRUE(looks_like_tsl31(v31));
  const Tsl31Parse t = parse_tsl31(v31);
  ASSERT_EQ(t.messages.size(), 1u);
  EXPECT_EQ(t.messages[0].address, 3);
  EXPECT_FALSE(t.messages[0].tally[0]);
  EXPECT_TRUE(t.messages[0].tally[1]);
  EXPECT_EQ(t.messages[0].text, QStringLiteral("VTR"));
  v31[1] = 0x80;
  EXPECT_TRUE(parse_tsl31(v31).messages.empty());
  EXPECT_FALSE(looks_like_tsl31(Bytes(17, 0x80)));
}

}  // namespace
