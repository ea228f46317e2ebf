#include "app/CommandLine.h"

#include <charconv>
#include <limits>

namespace zaffo {
namespace {

constexpr int defaultMeasures = 4;
// Far more than any piece; it keeps the count of steps well inside an int.
constexpr int maxMeasures = 100000;

// A whole number written with digits only, within [low, high].
template <typename Number>
Number wholeNumber(const std::string& option, const std::string& text, Number low, Number high) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || text[0] == '-' || error != std::errc() || stop != end || value < low || value > high)
        throw UsageError(option + " needs a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                         ", not \"" + text + "\"");
    return value;
}

// "a:4,b:2,a:4"
std::vector<RenderSection> sectionList(const std::string& text) {
    std::vector<RenderSection> sections;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(start, end - start);
        const size_t colon = item.rfind(':');
        if (colon == std::string::npos || colon == 0)
            throw UsageError("--parts needs NAME:MEASURES items separated by commas, not \"" + item + "\"");
        sections.push_back({item.substr(0, colon), wholeNumber("--parts", item.substr(colon + 1), 1, maxMeasures)});
        start = end + 1;
    }
    return sections;
}

RenderOptions renderOptions(const std::vector<std::string>& arguments) {
    RenderOptions options;
    int measures = defaultMeasures;
    for (size_t i = 1; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        if (option == "-o")
            option = "--output";
        else if (option.starts_with("-o"))
            option = "--output=" + option.substr(2);
        std::string value;
        const bool named = option.starts_with("--");
        const size_t equals = option.find('=');
        const std::string optionName = option.substr(0, equals);
        if (option == "--force") {
            options.force = true;
            continue;
        }
        if (option.starts_with("-") && optionName != "--measures" && optionName != "--parts" &&
            optionName != "--seed" && optionName != "--output" && optionName != "--stems")
            throw UsageError("unknown option " + optionName);
        if (named && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.erase(equals);
        } else if (named) {
            if (i + 1 >= arguments.size()) throw UsageError(option + " needs a value");
            value = arguments[++i];
        }
        if (option == "--measures")
            measures = wholeNumber(option, value, 1, maxMeasures);
        else if (option == "--parts")
            options.sections = sectionList(value);
        else if (option == "--seed")
            options.seed = wholeNumber(option, value, std::uint32_t{0}, std::numeric_limits<std::uint32_t>::max());
        else if (option == "--output" && !value.empty())
            options.output = value;
        else if (option == "--output")
            throw UsageError("--output needs a file name");
        else if (option == "--stems" && !value.empty())
            options.stems = value;
        else if (option == "--stems")
            throw UsageError("--stems needs a folder");
        else if (options.composition.empty())
            options.composition = option;
        else
            throw UsageError("one composition at a time, not also \"" + option + "\"");
    }
    if (options.composition.empty()) throw UsageError("render needs a composition");
    if (options.sections.empty()) options.sections.push_back({"", measures});
    return options;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    // Sent lines are the command language's, whatever they look like ("-h" too).
    if (!arguments.empty() && arguments[0] == "send") {
        line.action = CommandLine::Action::send;
        line.sent.assign(arguments.begin() + 1, arguments.end());
        return line;
    }
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            line.action = CommandLine::Action::help;
            return line;
        }
    }
    if (arguments.empty()) return line;
    if (arguments[0] == "--version" || arguments[0] == "-V") {
        if (arguments.size() > 1) throw UsageError("--version takes nothing after it");
        line.action = CommandLine::Action::version;
        return line;
    }
    if (arguments[0] != "render")
        throw UsageError(arguments[0].starts_with("-") ? "unknown option " + arguments[0]
                                                       : "unknown command " + arguments[0]);
    line.action = CommandLine::Action::render;
    line.render = renderOptions(arguments);
    return line;
}

std::string usageText() {
    return "usage: zaffo\n"
           "       zaffo render COMPOSITION [--measures N] [--parts NAME:N,...] [--seed N]\n"
           "                    [-o FILE] [--stems FOLDER [--force]]\n"
           "       zaffo send [LINE...]\n"
           "       zaffo -h | --help\n"
           "       zaffo -V | --version\n"
           "\n"
           "Without arguments zaffo plays in the terminal. 'render' writes a composition\n"
           "to a WAV file (32-bit float, stereo, 96000 Hz) far faster than it plays.\n"
           "'send' runs command lines (or, with none, those of standard input) in the\n"
           "Zaffo that plays, and prints their answers.\n"
           "\n"
           "  COMPOSITION        a composition file; \".json\" may be left out; looked for\n"
           "                     in the current folder, then beside the program, where\n"
           "                     'save' writes\n"
           "  --measures N       N measures of the composition's instruments (default 4)\n"
           "  --parts a:4,b:2    part a for 4 measures, then part b for 2, each at its\n"
           "                     own tempo\n"
           "  --seed N           start the shuffles from N, so that every run writes the\n"
           "                     same file\n"
           "  -o, --output FILE  the file to write (default: the composition's, with .wav\n"
           "                     for .json); - for standard output\n"
           "  --stems FOLDER     also a file per sounding instrument, and the mix, in\n"
           "                     FOLDER\n"
           "  --force            let --stems replace files already in FOLDER\n"
           "  -h, --help         show this help\n"
           "  -V, --version      show the version\n";
}

std::string versionText() { return std::string("zaffo ") + ZAFFO_VERSION; }

}  // namespace zaffo
