#include "cli/Arguments.h"

#include "image/ImageFormats.h"
#include "image/KviCodec.h"

#include <algorithm>

namespace cli {

namespace {
bool Contains(const std::vector<std::string>& list, const std::string& s)
{
    return std::find(list.begin(), list.end(), s) != list.end();
}

// Returns true when `option` was taken as a global option.
bool TakeGlobal(const std::string& option, Arguments& args)
{
    if (option == "--yes")
        args.yes = true;
    else if (option == "--ignore-errors")
        args.ignoreErrors = true;
    else if (option == "--mounted-ok")
        args.mountedOk = true;
    else if (option == "--quiet")
        args.quiet = true;
    else if (option == "--help")
        args.help = true;
    else if (option == "--version")
        args.version = true;
    else
        return false;
    return true;
}

// Returns true with the option taken into args; false with `error` when its
// value is not one the option takes.
bool SetCommandOption(const std::string& option, const std::string& value, Arguments& args, std::string& error)
{
    if (option == "--check") {
        args.check = true;
    } else if (option == "--no-verify") {
        args.noVerify = true;
    } else if (option == "--creator") {
        args.creator = value;
    } else if (option == "--description") {
        args.description = value;
    } else if (option == "--level") {
        const bool digits = !value.empty() && value.size() <= 2 &&
                            std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
        const int level = digits ? std::stoi(value) : 0;
        if (level < KVI_FASTEST_LEVEL || level > KVI_SMALLEST_LEVEL) {
            error = "--level takes a number from " + std::to_string(KVI_FASTEST_LEVEL) + " to " +
                    std::to_string(KVI_SMALLEST_LEVEL);
            return false;
        }
        args.level = level;
    }
    return true;
}
}  // namespace

namespace {
// Returns the help of `kvi create`, which names the levels raw images are
// written at.
const char* CreateHelp()
{
    static const std::string help =
        "Reads the whole of DRIVE into the image file IMAGE, asking before an existing file is\n"
        "overwritten. IMAGE's name chooses the format: .img a raw disk image (sparse), .img.gz\n"
        "(gzip, one member per block), .img.xz (xz preset " + std::to_string(RAW_XZ_PRESET) + "), .img.zst (zstd level " +
        std::to_string(RAW_ZSTD_LEVEL) + ") a compressed one;\n"
        "any other name a .kvi image.\n"
        "  --creator TEXT       stored as the image's creator (32 characters; .kvi only)\n"
        "  --description TEXT   stored as its description (256 characters; .kvi only); \\n\n"
        "                       or a line break starts a new line\n"
        "  --level N            compression level of .kvi and .img.gz, 1 (fastest) to 12\n"
        "                       (smallest image); " + std::to_string(KVI_DEFAULT_LEVEL) + " when not given\n";
    return help.c_str();
}
}  // namespace

const std::vector<CommandDefinition>& Commands()
{
    static const std::vector<CommandDefinition> commands = {
        {"drives", "drives", "list the drives and whether the commands accept them",
         "Lists one line per drive, tab-separated: number, name, for real drives the /dev path\n"
         "and model, media class, capacity, and whether the commands accept the drive\n"
         "(removable, or fixed within the size limit).\n",
         0, {}, {}},
        {"info", "info IMAGE [--check]", "show what an image's header holds",
         "Shows the header of IMAGE: created with, drive image size, creation date, created by,\n"
         "description, the stored geometry, and whether the header is valid. For a raw disk\n"
         "image (.img, .iso, .raw, .bin, compressed with gzip, xz, zstd or bzip2, or in a zip):\n"
         "its format, the drive's size where the file states it, the file's date and size.\n"
         "  --check   also read every block: the count, the expanded total against the drive\n"
         "            size, and the first damaged block with its file offset; for a raw image,\n"
         "            the whole stream, and what is wrong with it.\n"
         "Exit status 0 only for a valid header or a usable raw image (and with --check a\n"
         "complete, intact image).\n",
         1, {"--check"}, {}},
        {"create", "create DRIVE IMAGE [--creator TEXT] [--description TEXT] [--level N]",
         "image a drive into an image file",
         CreateHelp(),
         2, {}, {"--creator", "--description", "--level"}},
        {"restore", "restore IMAGE DRIVE [--no-verify]", "write an image file back onto a drive",
         "Writes IMAGE onto DRIVE from its first byte, after a warning, and after a further\n"
         "question when a .kvi image was taken from a drive of another geometry or size.\n"
         "IMAGE may also be a raw disk image (.img, .iso, .raw, .bin), compressed with gzip,\n"
         "xz, zstd or bzip2, or alone in a zip archive. One no larger than the drive leaves\n"
         "the rest of the drive as it was; a larger one is written only when everything\n"
         "beyond the drive's end is zero. Before writing, a few probes make sure the drive\n"
         "holds what its size claims (counterfeit cards do not); afterwards the drive is read\n"
         "back, past every cache, and compared.\n"
         "  --no-verify   do not read the drive back\n",
         2, {"--no-verify"}, {}},
        {"verify", "verify IMAGE DRIVE", "compare a drive with an image, writing nothing",
         "Reads IMAGE (any format restore reads) and DRIVE, past every cache, and compares\n"
         "them byte for byte over the image's length. Exit status 0 when they match, 1 when\n"
         "they differ (the first differing byte is named), 4 when either cannot be read.\n",
         2, {}, {}},
        {"convert", "convert IN OUT [--creator TEXT] [--description TEXT] [--level N]",
         "convert an image into another format",
         "Reads the image IN (any format restore reads) and writes it into OUT in the format\n"
         "OUT's name chooses, as create does, asking before an existing file is overwritten.\n"
         "A .kvi written here keeps IN's geometry when IN is a .kvi, else gets the geometry\n"
         "a Linux drive of that size reports.\n"
         "  --creator TEXT, --description TEXT, --level N   as for create\n",
         2, {}, {"--creator", "--description", "--level"}},
        {"clone", "clone DRIVE [--no-verify]", "copy a drive's medium onto another medium",
         "Images DRIVE into a temporary file, asks you to swap the medium in the same drive\n"
         "(press Enter for <OK> once the new medium is in), then writes the image onto it\n"
         "and reads it back to compare.\n"
         "  --no-verify   do not read the new medium back\n",
         1, {"--no-verify"}, {}},
        {"eject", "eject DRIVE", "eject the medium of a drive", "Ejects the medium in DRIVE after asking.\n", 1, {}, {}},
    };
    return commands;
}

const CommandDefinition* FindCommand(const std::string& name)
{
    for (const CommandDefinition& definition : Commands())
        if (name == definition.name)
            return &definition;
    return nullptr;
}

namespace {
// Returns true when some command takes `name` with a TEXT.
bool TakesText(const std::string& name)
{
    for (const CommandDefinition& definition : Commands())
        if (Contains(definition.valueOptions, name))
            return true;
    return false;
}

// Returns the word the synopses give the value of option `name` ("TEXT",
// "N"); "TEXT" when none does.
std::string ValueWord(const std::string& name)
{
    for (const CommandDefinition& command : Commands()) {
        const std::string synopsis = command.synopsis;
        const auto at = synopsis.find(name + " ");
        if (at != std::string::npos) {
            const auto from = at + name.size() + 1;
            return synopsis.substr(from, synopsis.find_first_of(" ]", from) - from);
        }
    }
    return "TEXT";
}

struct Option {
    std::string name;
    std::string value;
    bool hasValue = false;
};

// Sorts the words of the line into operands, global options (taken into
// args at once) and command options. Returns false with `error` when an
// option lacks its TEXT.
bool SplitLine(const std::vector<std::string>& argv, Arguments& args, std::vector<std::string>& words,
               std::vector<Option>& options, std::string& error)
{
    bool onlyOperands = false;
    for (size_t i = 1; i < argv.size(); ++i) {
        const std::string& word = argv[i];
        if (onlyOperands || word.size() < 2 || word.compare(0, 2, "--") != 0) {
            words.push_back(word);
        } else if (word == "--") {
            onlyOperands = true;
        } else if (!TakeGlobal(word, args)) {
            Option option{word, "", false};
            if (const auto eq = word.find('='); eq != std::string::npos)
                option = {word.substr(0, eq), word.substr(eq + 1), true};
            else if (TakesText(word) && i + 1 < argv.size())
                option = {word, argv[++i], true};
            if (TakesText(option.name) && !option.hasValue) {
                error = option.name + " needs a " + ValueWord(option.name);
                return false;
            }
            options.push_back(option);
        }
    }
    return true;
}

// Returns true when every option belongs to the command and has a TEXT
// exactly when it takes one; false with `error` otherwise.
bool TakeCommandOptions(const CommandDefinition& definition, const std::vector<Option>& options, Arguments& args,
                        std::string& error)
{
    for (const Option& option : options) {
        const bool flag = Contains(definition.flags, option.name);
        if (!flag && !Contains(definition.valueOptions, option.name)) {
            error = std::string(definition.name) + " takes no option " + option.name;
            return false;
        }
        if (flag && option.hasValue) {
            error = option.name + " takes no TEXT";
            return false;
        }
        if (!SetCommandOption(option.name, option.value, args, error))
            return false;
    }
    return true;
}
}  // namespace

bool ParseArguments(const std::vector<std::string>& argv, Arguments& args, std::string& error)
{
    args = Arguments{};
    std::vector<std::string> words;
    std::vector<Option> options;
    if (!SplitLine(argv, args, words, options, error))
        return false;

    if (words.empty()) {
        if (!options.empty())
            error = "unknown option " + options.front().name;
        else if (!args.help && !args.version)
            error = "no command given";
        return error.empty();
    }

    const CommandDefinition* definition = FindCommand(words.front());
    if (!definition) {
        error = "unknown command '" + words.front() + "'";
        return false;
    }
    args.command = definition->name;
    args.operands.assign(words.begin() + 1, words.end());
    if (!TakeCommandOptions(*definition, options, args, error))
        return false;
    if (!args.help && args.operands.size() != definition->operands) {
        error = std::string("usage: kvi ") + definition->synopsis;
        return false;
    }
    return true;
}

}  // namespace cli
