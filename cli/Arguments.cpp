#include "cli/Arguments.h"

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

void SetCommandOption(const std::string& option, const std::string& value, Arguments& args)
{
    if (option == "--check")
        args.check = true;
    else if (option == "--creator")
        args.creator = value;
    else if (option == "--description")
        args.description = value;
}
}  // namespace

const std::vector<CommandSpec>& Commands()
{
    static const std::vector<CommandSpec> commands = {
        {"drives", "drives", "list the drives and whether the commands accept them",
         "Lists one line per drive, tab-separated: number, name, for real drives the /dev path\n"
         "and model, media class, capacity, and whether the commands accept the drive\n"
         "(removable, or fixed within the size limit).\n",
         0, {}, {}},
        {"info", "info IMAGE [--check]", "show what an image's header holds",
         "Shows the header of IMAGE: created with, drive image size, creation date, created by,\n"
         "description, the stored geometry, and whether the header is valid.\n"
         "  --check   also read every block: the count, the expanded total against the drive\n"
         "            size, and the first damaged block with its file offset.\n"
         "Exit status 0 only for a valid header (and with --check a complete, intact image).\n",
         1, {"--check"}, {}},
        {"create", "create DRIVE IMAGE [--creator TEXT] [--description TEXT]", "image a drive into an image file",
         "Reads the whole of DRIVE into the image file IMAGE, asking before an existing file is\n"
         "overwritten.\n"
         "  --creator TEXT       stored as the image's creator (32 characters)\n"
         "  --description TEXT   stored as its description (256 characters); \\n or a line\n"
         "                       break starts a new line\n",
         2, {}, {"--creator", "--description"}},
        {"restore", "restore IMAGE DRIVE", "write an image file back onto a drive",
         "Writes IMAGE onto DRIVE from its first byte, after a warning, and after a further\n"
         "question when the image was taken from a drive of another geometry or size.\n",
         2, {}, {}},
        {"clone", "clone DRIVE", "copy a drive's medium onto another medium",
         "Images DRIVE into a temporary file, asks you to swap the medium in the same drive\n"
         "(press Enter for <OK> once the new medium is in), then writes the image onto it.\n",
         1, {}, {}},
        {"eject", "eject DRIVE", "eject the medium of a drive", "Ejects the medium in DRIVE after asking.\n", 1, {}, {}},
    };
    return commands;
}

const CommandSpec* FindCommand(const std::string& name)
{
    for (const CommandSpec& spec : Commands())
        if (name == spec.name)
            return &spec;
    return nullptr;
}

bool ParseArguments(const std::vector<std::string>& argv, Arguments& args, std::string& error)
{
    args = Arguments{};
    std::vector<std::string> words;
    std::vector<std::pair<std::string, std::string>> options;
    bool onlyOperands = false;
    for (size_t i = 1; i < argv.size(); ++i) {
        const std::string& word = argv[i];
        if (onlyOperands || word.size() < 2 || word.compare(0, 2, "--") != 0) {
            words.push_back(word);
            continue;
        }
        if (word == "--") {
            onlyOperands = true;
            continue;
        }
        if (TakeGlobal(word, args))
            continue;
        std::string name = word;
        std::string value;
        const bool hasValue = word.find('=') != std::string::npos;
        if (hasValue) {
            name = word.substr(0, word.find('='));
            value = word.substr(word.find('=') + 1);
        } else if ((name == "--creator" || name == "--description") && i + 1 < argv.size()) {
            value = argv[++i];
        } else if (name == "--creator" || name == "--description") {
            error = name + " needs a TEXT";
            return false;
        }
        options.emplace_back(name, value);
    }

    if (words.empty()) {
        if (!options.empty()) {
            error = "unknown option " + options.front().first;
            return false;
        }
        if (!args.help && !args.version) {
            error = "no command given";
            return false;
        }
        return true;
    }

    const CommandSpec* spec = FindCommand(words.front());
    if (!spec) {
        error = "unknown command '" + words.front() + "'";
        return false;
    }
    args.command = spec->name;
    args.operands.assign(words.begin() + 1, words.end());
    for (const auto& [name, value] : options) {
        if (!Contains(spec->flags, name) && !Contains(spec->valueOptions, name)) {
            error = std::string(spec->name) + " takes no option " + name;
            return false;
        }
        SetCommandOption(name, value, args);
    }
    if (!args.help && args.operands.size() != spec->operands) {
        error = std::string("usage: kvi ") + spec->synopsis;
        return false;
    }
    return true;
}

}  // namespace cli
