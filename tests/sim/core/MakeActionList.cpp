// make_action_list OUT.wyl "SPEC": writes the action list SPEC describes
// (see ActionListText.h) as the editor saves it. The lessons' reference
// solutions are made with it; LessonsTest checks that each still is what
// its description says.
#include "ActionListText.h"
#include "codegen/core/ActionListFile.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_action_list OUT.wyl \"SPEC\"\n";
        return 2;
    }
    try {
        const auto state = wayline::testing::ActionListOf(argv[2]);
        const wayline::TSaveResult saved = wayline::SaveActionListFile(argv[1], *state);
        if (!saved.Saved) {
            std::cerr << saved.Error << '\n';
            return 1;
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
