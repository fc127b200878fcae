#pragma once

// Action lists written as a line of text, for tests, benchmarks and the
// lessons' reference solutions: the lists are built step by step into the
// editor's document, so a list saved from it is a real action-list file.
//
//   beginner|advanced [cal=L,R] [main:|all:|set1:..set4:] STEP...
//
// A STEP is the robot's command letter and its value: F forward, B backward,
// L turn left, R turn right, E rotate left, I rotate right, S stop and wait
// (tenths of a second), G loop back (the target step). In advanced mode a
// step of the main list may carry its sensor columns after '@', both, left
// and right as three digits (0 All, 1..4 Set1..Set4, 5 none): "F30@105".
// Steps go into the main list until a list is named.
//
//   "beginner F20 I14 F20 I14 G1"
//   "advanced F255@000 G1 all: B5 I8"

#include "editor/core/ActionDocument.h"

#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

namespace wayline::testing {

inline TActionKind KindOfLetter(char letter) {
    switch (letter) {
    case 'F':
        return akMoveForward;
    case 'B':
        return akMoveBackward;
    case 'L':
        return akTurnLeft;
    case 'R':
        return akTurnRight;
    case 'E':
        return akRotateLeft;
    case 'I':
        return akRotateRight;
    case 'S':
        return akStopAndWait;
    case 'G':
        return akLoopBack;
    default:
        throw std::invalid_argument(std::string("no action has the letter ") + letter);
    }
}

// The document the text describes, as the editor would hold it after the user built
// the lists (servo centres 100 unless given).
inline std::unique_ptr<TDocumentState> ActionListOf(const std::string& text) {
    auto state = std::make_unique<TDocumentState>();
    InitialiseDocument(*state);
    std::istringstream words(text);
    std::string word;
    int list = MainList;
    while (words >> word) {
        if (word == "beginner" || word == "advanced") {
            state->AdvancedMode = word == "advanced";
            state->Document.AdvancedMode = state->AdvancedMode ? 1 : 0;
        } else if (word.starts_with("cal=")) {
            const std::size_t comma = word.find(',');
            state->Document.LeftServoCenter =
                static_cast<std::uint8_t>(std::stoi(word.substr(4, comma - 4)));
            state->Document.RightServoCenter =
                static_cast<std::uint8_t>(std::stoi(word.substr(comma + 1)));
        } else if (word == "main:") {
            list = MainList;
        } else if (word == "all:") {
            list = MainList + 1;
        } else if (word.size() == 5 && word.starts_with("set") && word.back() == ':') {
            list = MainList + 1 + (word[3] - '0');
        } else {
            const std::size_t at = word.find('@');
            const int row = state->StepCount(list) + 1;
            TActionStep step{static_cast<std::uint8_t>(KindOfLetter(word[0])),
                             static_cast<std::int16_t>(std::stoi(word.substr(1, at - 1))), 0, 0, 0};
            if (at != std::string::npos) {
                if (word.size() != at + 4) {
                    throw std::invalid_argument("sensor columns are three digits: " + word);
                }
                step.BothSet = static_cast<std::uint8_t>(word[at + 1] - '0');
                step.LeftSet = static_cast<std::uint8_t>(word[at + 2] - '0');
                step.RightSet = static_cast<std::uint8_t>(word[at + 3] - '0');
            }
            state->Step(list, row) = step;
            state->SetStepCount(list, row);
        }
    }
    return state;
}

} // namespace wayline::testing
