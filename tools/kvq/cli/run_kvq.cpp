// SPDX-License-Identifier: MIT
#include "kvq/cli/run_kvq.h"

#include "kvq/cli/command_table.h"
#include "kvq/common/arguments.h"
#include "kvq/common/tool_error.h"

namespace {

const Command* findCommand(std::string_view name)
{
    for (const Command* command : allCommands()) {
        if (command->name == name) return command;
    }
    return nullptr;
}

void printOverview(std::ostream& out)
{
    out << "Usage: kvq COMMAND [ARGUMENTS]\n"
           "\n"
           "Makes and describes the files of the kvqplay player: the font file 'test', frame files\n"
           "such as 'quorva2.kvq', and pictures of single frames.\n"
           "\n"
           "Commands:\n";
    for (const Command* command : allCommands()) {
        out << "  " << command->name << std::string(8 - command->name.size(), ' ') << command->summary << "\n";
    }
    out << "  help    show what a command takes: kvq help COMMAND\n"
           "  --version  print the version\n"
           "\n"
           "Every command writes its output whole or not at all and never replaces its input.\n"
           "Exit status: 0 on success, 1 when a command fails, 2 for a command line it cannot use.\n";
}

int runHelp(std::span<const std::string> arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty()) {
        printOverview(out);
        return 0;
    }
    const Command* command = findCommand(arguments[0]);
    if (command && arguments.size() > 1) {
        err << "kvq help: unexpected argument '" << arguments[1] << "'; 'kvq help' takes one command name\n";
        return kExitUsage;
    }
    if (!command) {
        err << "kvq help: no command '" << arguments[0] << "'; 'kvq --help' lists them\n";
        return kExitUsage;
    }
    out << command->help;
    return 0;
}

}  // namespace

int runKvq(std::span<const std::string> arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty()) {
        printOverview(err);
        return kExitUsage;
    }
    const std::string& name = arguments[0];
    if (name == "-h" || name == "--help" || name == "help") return runHelp(arguments.subspan(1), out, err);
    if (name == "--version") {
        out << "kvq " << KVQ_VERSION << "\n";
        return 0;
    }

    const Command* command = findCommand(name);
    if (!command) {
        err << "kvq: no command '" << name << "'; 'kvq --help' lists them\n";
        return kExitUsage;
    }
    try {
        const ParsedArguments parsed = parseArguments(arguments.subspan(1), command->options);
        if (parsed.help) {
            out << command->help;
            return 0;
        }
        return command->run(parsed, out);
    } catch (const UsageError& error) {
        err << "kvq " << name << ": " << error.what() << "; 'kvq help " << name << "' shows the arguments\n";
        return kExitUsage;
    } catch (const ToolError& error) {
        err << "kvq " << name << ": " << error.what() << "\n";
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        err << "kvq " << name << ": out of memory\n";
        return kExitFailure;
    }
}
