#include "RunTimeTestSupport.h"

#include "SourceFiles.h"

namespace wayline::sim::testing {
namespace {

using SerialTest = RunTimeTest;

TEST_F(SerialTest, DebugFormatsItsItemsAndSendsThemOnTheProgrammingPort) {
    Run(R"(W1 = 7
B10 = "a" : B11 = "b" : B12 = 0
DEBUG "Hi", DEC 123, " ", SDEC -5, " ", HEX4 255, " ", IBIN 5, " ", DEC3 12345, CR
DEBUG ? W1, STR B10\2, "|", STR B10, "|", REP "x"\3, HEX ? W1
)");
    ASSERT_EQ(RunTime->StopReason(), srEnd) << RunTime->StopMessage();
    const std::string expected = "Hi123 -5 00FF %101 345\rW1 = 7\rab|ab|xxxW1 = $7\r";
    EXPECT_EQ(DebugText(), expected);
    EXPECT_EQ(Port.SentText(), expected);
    // The digits of one item follow each other at the line's pace; the
    // next item's bits are fetched first.
    ASSERT_GE(Port.Sent.size(), 4u);
    EXPECT_EQ(Port.Sent[3].StartUs - Port.Sent[2].StartUs, TTestPort::ByteUs);
    EXPECT_GT(Port.Sent[1].StartUs - Port.Sent[0].StartUs, TTestPort::ByteUs);
}

TEST_F(SerialTest, SeroutOnAnIoPinTakesTheBaudRatesTimeAndRecordsItsBytes) {
    Run("SEROUT 3, 84, 5, [DEC 12]\nHIGH 1\n");
    const std::vector<TRunTimeEvent> bytes = EventsOf(ekSerialOut);
    ASSERT_EQ(bytes.size(), 2u);
    EXPECT_EQ(bytes[0].A, 3);
    EXPECT_EQ(bytes[0].B, '1');
    // 10 bits of 104 us, then the pace of 5 ms before the next byte.
    EXPECT_EQ(bytes[1].TimeUs - bytes[0].TimeUs, 1040u + 5000u);
    EXPECT_EQ(RunTime->Variables().Word(TVariableSpace::OutsWord) & (1u << 3), 1u << 3);
}

TEST_F(SerialTest, SerinWaitsForTheHostsBytes) {
    Port.HostSends("AB", 20000);
    Port.HostSends("C", 40000);
    Run("SERIN 16, 16468, [B10, B11]\nHIGH 1\nDEBUGIN B12\n", 1.0);
    EXPECT_EQ(Byte(10), 'A');
    EXPECT_EQ(Byte(11), 'B');
    ASSERT_EQ(PinsHw.Outputs.size(), 1u);
    EXPECT_GE(PinsHw.Outputs[0].TimeUs, 20000u + 2 * TTestPort::ByteUs);
    EXPECT_LT(PinsHw.Outputs[0].TimeUs, 20000u + 2 * TTestPort::ByteUs + 1000);
    EXPECT_EQ(Byte(12), 'C'); // DEBUGIN is SERIN on the programming port
    EXPECT_EQ(EventsOf(ekSerialIn).size(), 3u);
}

TEST_F(SerialTest, SerinItemsParseNumbersStringsAndWaits) {
    Port.HostSends("x123\r-42,$1F %101 99", 0);
    Port.HostSends("..OOKz..abcdefgh", 100000);
    Run(R"(SERIN 16, 16468, [DEC W1, SDEC W2, NUM W3, NUM W4, DEC1 W5]
SERIN 16, 16468, [WAIT("OK"), B20, SKIP 2, STR B22\3]
)",
        1.0);
    ASSERT_EQ(RunTime->StopReason(), srEnd) << RunTime->StopMessage();
    EXPECT_EQ(Word(1), 123);
    EXPECT_EQ(Word(2), 65536 - 42);
    EXPECT_EQ(Word(3), 0x1F);
    EXPECT_EQ(Word(4), 5);
    EXPECT_EQ(Word(5), 9);
    EXPECT_EQ(Byte(20), 'z');
    EXPECT_EQ(Byte(22), 'a');
    EXPECT_EQ(Byte(23), 'b');
    EXPECT_EQ(Byte(24), 'c');
}

TEST_F(SerialTest, SerinTimesOutToItsLabelWhenTheLineStaysSilent) {
    Run(R"(SERIN 16, 16468, 50, Silent, [B10]
W1 = 1
END
Silent:
HIGH 1
)",
        1.0);
    EXPECT_EQ(Word(1), 0);
    ASSERT_EQ(PinsHw.Outputs.size(), 1u);
    EXPECT_GE(PinsHw.Outputs[0].TimeUs, 50000u);
    EXPECT_LT(PinsHw.Outputs[0].TimeUs, 52000u);
}

// Seven data bits with even parity (mode bit 13): a byte whose parity is
// wrong sends the program to the parity label, with or without a time-out.
TEST_F(SerialTest, SerinParityErrorsBranchToTheirLabel) {
    Port.HostSends("A", 1000);                     // 0x41: even parity already
    Port.HostSends(std::string(1, '\xC3'), 10000); // 'C' with its parity bit: good
    Port.HostSends(std::string(1, '\xC1'), 20000); // 'A' with a wrong parity bit
    Run(R"(SERIN 16, 24660, Bad, [B10]
SERIN 16, 24660, Bad, 100, Late, [B11]
SERIN 16, 24660, Bad, 100, Late, [B12]
W1 = 1
END
Bad: W1 = 2
END
Late: W1 = 3
)",
        1.0);
    EXPECT_EQ(Byte(10), 'A');
    EXPECT_EQ(Byte(11), 'C');
    EXPECT_EQ(Word(1), 2);
    Run("SERIN 16, 24660, Bad, 100, Late, [B11]\nEND\nBad: W1 = 2\nEND\nLate: W1 = 3\n", 1.0);
    EXPECT_EQ(Word(1), 3);
}

// The wait goes on across calls; nothing arrives on pins 0-15.
TEST_F(SerialTest, SerinWithoutTimeOutWaitsAcrossCalls) {
    Load("SERIN 16, 16468, [B10]\nSERIN 5, 84, [B11]\n");
    for (std::uint64_t t = 1000; t <= 50000; t += 1000) {
        RunTime->RunUntil(t);
    }
    EXPECT_TRUE(RunTime->Waiting());
    EXPECT_EQ(RunTime->NowUs(), 50000u);
    Port.HostSends("Z", 60000);
    RunTime->RunUntil(100000);
    EXPECT_EQ(Byte(10), 'Z');
    EXPECT_TRUE(RunTime->Waiting()); // the second SERIN, on a pin with nothing wired
    EXPECT_EQ(RunTime->NowUs(), 100000u);
}


TEST_F(SerialTest, TheTestProgramAnswersFourBytesWithOneSensorByte) {
    // Left whisker pressed, right detector sees an obstacle.
    PinsHw.Levels[5] = false;
    PinsHw.Levels[0] = false;
    Load(testfiles::ReadSourceFile("resources/programs/test.bas"));
    const std::string widths = {static_cast<char>(750 & 0xFF), static_cast<char>(750 >> 8),
                                static_cast<char>(760 & 0xFF), static_cast<char>(760 >> 8)};
    // Each tick waits for the answer (up to 200 ms), then 10 ms to the next.
    std::uint64_t t = 10000;
    for (int tick = 0; tick < 3; ++tick) {
        Port.HostSends(widths, t);
        std::uint64_t now = t;
        while (Port.Sent.size() < static_cast<std::size_t>(tick + 1) && now < t + 200000) {
            now += 1000;
            RunTime->RunUntil(now);
        }
        ASSERT_EQ(Port.Sent.size(), static_cast<std::size_t>(tick + 1));
        EXPECT_EQ(Port.Sent.back().Byte, 4 | 2);
        const std::uint64_t lastByteIn = t + 4 * TTestPort::ByteUs;
        EXPECT_LT(Port.Sent.back().StartUs - lastByteIn, 20000u);
        t = now + 10000;
    }
    ASSERT_EQ(PinsHw.Pulses.size(), 6u);
    EXPECT_EQ(PinsHw.Pulses[0].Pin, 13);
    EXPECT_EQ(PinsHw.Pulses[0].WidthUs, 1520u);
    EXPECT_EQ(PinsHw.Pulses[1].Pin, 12);
    EXPECT_EQ(PinsHw.Pulses[1].WidthUs, 1500u);
    RunTime->RunUntil(t);
    EXPECT_TRUE(RunTime->Waiting()); // for the next four bytes
}

} // namespace
} // namespace wayline::sim::testing
