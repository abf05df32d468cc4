// The drawing host's script reader: any text gives steps or an error naming the line, never a crash, and a
// step read from a line reads the same from the line it keeps.
#include "script.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace drawing_host;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = SplitLines(text);
    ScriptError error;
    auto steps = ParseScript(lines, &error);
    if (!steps) {
        if (error.line < 1 || static_cast<std::size_t>(error.line) > lines.size() || error.message.empty())
            std::abort();
        return 0;
    }
    for (const Step& step : *steps) {
        std::string message;
        auto again = ParseStep(step.line, &message);
        if (!again || again->action != step.action || again->text != step.text || again->path != step.path
            || again->atoms != step.atoms || again->bonds != step.bonds || again->number != step.number)
            std::abort();
    }
    return 0;
}
