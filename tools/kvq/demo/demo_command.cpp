// SPDX-License-Identifier: MIT
#include "kvq/common/command.h"
#include "kvq/demo/demo_animation.h"
#include "kvq/files/atomic_file.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: kvq demo -o OUT\n"
    "\n"
    "Writes the demo animation as a frame file: 960 frames, 40 seconds at 24 frames per\n"
    "second, in five scenes of eight seconds: a title in big letters, a plasma, a tunnel, a\n"
    "rotating wireframe solid and a scroller. It uses printable ASCII (codes 32-126) and their\n"
    "inverses (codes 160-254), so it wants a font whose first 128 glyphs are ASCII, such as\n"
    "one made by 'kvq font' from a Linux console font. The output is the same on every run.\n"
    "\n"
    "  -o, --output OUT   the frame file to write; the player reads it as 'quorva2.kvq'\n";

constexpr ValueOption kOptions[] = {{"output", "o"}};

int run(const ParsedArguments& parsed, std::ostream&)
{
    parsed.requirePositionalCount(0, "");
    AtomicFile file(parsed.required("output"));
    for (int index = 0; index < kDemoFrameCount; ++index) file.write(demoFrame(index).cells);
    file.commit();
    return 0;
}

const Command kCommand{"demo", "write the demo animation as a frame file", kHelp, kOptions, run};

}  // namespace

const Command& demoCommand() { return kCommand; }
