#include "RunTimeTestSupport.h"

#include <random>

namespace wayline::sim::testing {
namespace {

// Writes a program bit stream by hand, as the tokenizer lays it out: bit b
// in byte 2047 - b / 8, most significant bit first.
class TStreamWriter {
public:
    explicit TStreamWriter(TEeprom& eeprom) : Eeprom(eeprom) { Eeprom.Erase(); }
    TStreamWriter& Bits(int count, unsigned value) {
        for (int i = count - 1; i >= 0; --i) {
            const int address = TEeprom::Size - 1 - At / 8;
            const auto bit = static_cast<std::uint8_t>(0x80 >> (At % 8));
            const std::uint8_t byte = Eeprom.Read(address);
            Eeprom.Write(address, ((value >> i) & 1) != 0 ? byte | bit : byte & ~bit);
            ++At;
        }
        return *this;
    }
    TStreamWriter& Address(unsigned address) { return Bits(3, address % 8).Bits(11, address / 8); }
    // A constant announced by a 1 bit: code 32 + k, then its bits.
    TStreamWriter& Constant(unsigned value) {
        int k = 0;
        while ((value >> (k + 1)) != 0) {
            ++k;
        }
        Bits(1, 1).Bits(6, 32u + static_cast<unsigned>(k));
        if (value == 0) {
            return Bits(1, 1);
        }
        if ((value & (value - 1)) == 0) {
            return Bits(1, 0);
        }
        return Bits(k + 1, value);
    }
    TStreamWriter& Token(unsigned token) { return Bits(7, token); }
    TStreamWriter& At14() {
        At = 0;
        Address(14);
        return *this;
    }
    int Position() const { return At; }

private:
    TEeprom& Eeprom;
    int At = 0;
};

class ImagesTest : public RunTimeTest {
protected:
    void RunImage(TTargetModule module = tmKM2, double seconds = 1.0) {
        RunTime = std::make_unique<TInterpreter>(PinsHw, module);
        RunTime->Start(Eeprom, Port, 0);
        RunTime->RunUntil(static_cast<std::uint64_t>(seconds * 1e6));
    }
    std::string Fault() const {
        EXPECT_EQ(RunTime->StopReason(), srFault);
        return RunTime->StopMessage();
    }
};

TEST_F(ImagesTest, AnInstructionTheSimulatorDoesNotModelStopsTheRunNamingItAndItsAddress) {
    Load("W1 = 1\nSHIFTOUT 1, 2, MSBFIRST, [5]\nW1 = 2\n");
    RunTime->SetTracing(true);
    RunTime->RunUntil(1000000);
    const std::vector<TRunTimeEvent> traced = EventsOf(ekInstruction);
    ASSERT_EQ(traced.size(), 2u);
    EXPECT_EQ(traced[1].A, inShiftout);
    EXPECT_EQ(Fault(), "SHIFTOUT is not modelled by the simulator (bit address " +
                           std::to_string(traced[1].B) + ")");
    // The same, for a window that words it in its own language.
    EXPECT_EQ(RunTime->FaultCause().Kind, TFaultKind::fkNotModelled);
    EXPECT_EQ(RunTime->FaultCause().Instruction, "SHIFTOUT");
    EXPECT_EQ(RunTime->FaultCause().BitAddress, traced[1].B);
    EXPECT_EQ(Word(1), 1);
    EXPECT_EQ(EventsOf(ekEnd).size(), 1u);
}

TEST_F(ImagesTest, BrokenStreamsStopTheRunWithTheirReason) {
    TStreamWriter(Eeprom).At14().Token(61);
    RunImage();
    EXPECT_EQ(Fault(), "Unknown instruction token 61 (bit address 14)");
    EXPECT_EQ(RunTime->FaultCause().Kind, TFaultKind::fkProgram);
    EXPECT_EQ(RunTime->FaultCause().BitAddress, 14);

    TStreamWriter w(Eeprom);
    w.At14();
    for (int i = 0; i < 9; ++i) {
        w.Constant(5);
    }
    w.Token(inEnd);
    RunImage();
    EXPECT_EQ(Fault(), "Expression stack overflow (more than 8 values) (bit address 14)");

    TStreamWriter(Eeprom).At14().Bits(1, 1).Bits(6, 15).Token(inEnd);
    RunImage();
    EXPECT_EQ(Fault(), "Expression stack underflow (bit address 14)");

    TStreamWriter(Eeprom).At14().Constant(5).Constant(6).Token(inPause);
    RunImage();
    EXPECT_EQ(Fault(), "PAUSE found 2 values on the stack instead of 1 (bit address 34)");

    TStreamWriter(Eeprom).Address(16383).Bits(0, 0);
    Eeprom.Write(0, 0x01); // bit 16383: a 1, announcing a code that is not there
    RunImage();
    EXPECT_EQ(Fault(), "The program runs past the end of the EEPROM (bit address 16383)");
    EXPECT_EQ(RunTime->FaultCause().Kind, TFaultKind::fkPastEeprom);
}

TEST_F(ImagesTest, AnErasedEepromEndsAtOnce) {
    Eeprom.Erase();
    RunImage();
    EXPECT_EQ(RunTime->StopReason(), srEnd);
    EXPECT_EQ(RunTime->StopMessage(), "END (bit address 0)");
}

// Rows 26-31 of the token table differ by module: an image runs on the
// module it was compiled for, and the assignment of a later module is
// another instruction on the first one.
TEST_F(ImagesTest, EachModuleReadsItsOwnTokenOrder) {
    for (const TTargetModule module : {tmKM2, tmKM2A, tmKM2B, tmKM2C, tmKM2D}) {
        SCOPED_TRACE(static_cast<int>(module));
        Run("W1 = 5\nDEBUG DEC W1\n", 1.0, module);
        EXPECT_EQ(RunTime->StopReason(), srEnd) << RunTime->StopMessage();
        EXPECT_EQ(Word(1), 5);
    }
    EXPECT_EQ(DebugText(), "5");
    Load("W1 = 5\n", tmKM2C);
    RunImage(tmKM2);
    EXPECT_TRUE(Fault().starts_with("AUXIO is not modelled by the simulator")) << Fault();
}

// An image is untrusted bytes: whatever it holds, a run ends or goes on
// within its limit, and time never runs backwards for the pins.
TEST_F(ImagesTest, RandomImagesNeverCrashOrHang) {
    std::mt19937 random(12);
    std::uniform_int_distribution<int> byte(0, 255);
    int ended = 0;
    for (int image = 0; image < 300; ++image) {
        for (int i = 0; i < TEeprom::Size; ++i) {
            Eeprom.Write(i, static_cast<std::uint8_t>(byte(random)));
        }
        Port.HostSends("12", 1000);
        RunImage(static_cast<TTargetModule>(tmKM2 + image % 5), 0.2);
        EXPECT_FALSE(PinsHw.TimeWentBack);
        ended += RunTime->Running() ? 0 : 1;
        PinsHw.LastTimeUs = 0;
        Port.Incoming.clear();
        Port.LineFreeUs = 0;
    }
    EXPECT_GT(ended, 0);
}

} // namespace
} // namespace wayline::sim::testing
