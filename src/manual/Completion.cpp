#include "manual/Completion.h"

#include "cli/Cli.h"
#include "link/LinkTarget.h"

#include <set>

namespace zr48::manual {

namespace {

// "--verify --force -n --dry-run"
std::string optionWords(std::span<const OptionRow> rows)
{
    std::string words;
    for (const OptionRow& row : rows) {
        for (const char* name : {row.shortName, row.longName}) {
            if (name)
                words += (words.empty() ? "" : " ") + std::string(name);
        }
    }
    return words;
}

// The names of an option as a case pattern: "-o|--output".
std::string optionPattern(const OptionRow& row)
{
    std::string pattern;
    for (const char* name : {row.shortName, row.longName}) {
        if (name)
            pattern += (pattern.empty() ? "" : "|") + std::string(name);
    }
    return pattern;
}

// What completes a word: fixed words, files with these extensions, any file, or nothing.
std::string completeWith(const char* files, const char* words, const std::string& commandNames)
{
    if (std::string_view(words) == cli::kCommandNameWords)
        return "COMPREPLY=($(compgen -W '" + commandNames + "' -- \"$cur\"))";
    if (*words)
        return "COMPREPLY=($(compgen -W '" + std::string(words) + "' -- \"$cur\"))";
    if (std::string_view(files) == "*")
        return "_filedir";
    if (*files)
        return "_filedir '" + std::string(files) + "'";
    return ":";
}

// The case pattern of a command or subcommand, with its other spellings: "\"ir analyse\"|\"ir analyze\"".
std::string pathPattern(const std::string& parent, const cli::Command& c)
{
    std::string pattern = "\"" + (parent.empty() ? "" : parent + " ") + c.name + "\"";
    std::string_view aliases = c.aliases;
    while (!aliases.empty()) {
        const std::size_t space = aliases.find(' ');
        pattern += "|\"" + (parent.empty() ? "" : parent + " ") + std::string(aliases.substr(0, space)) + "\"";
        aliases.remove_prefix(space == std::string_view::npos ? aliases.size() : space + 1);
    }
    return pattern;
}

struct Script {
    std::string valueCases;    // the value of a command's option
    std::string argumentCases; // the arguments and options of a command
    std::set<std::string> valueOptions;
};

void addCommand(Script& script, const std::string& parent, const cli::Command& c, const std::string& commandNames)
{
    const std::string pattern = pathPattern(parent, c);
    std::string values;
    for (const OptionRow& row : c.options) {
        if (!row.value)
            continue;
        values += "                " + optionPattern(row) + ") " + completeWith(row.valueFiles, row.valueWords, "") +
                  "; return ;;\n";
        for (const char* name : {row.shortName, row.longName}) {
            if (name)
                script.valueOptions.insert(name);
        }
    }
    if (!values.empty())
        script.valueCases += "        " + pattern + ")\n            case $prev in\n" + values + "            esac ;;\n";

    const std::string options = optionWords(c.options);
    std::string arguments;
    if (!c.subcommands.empty()) {
        std::string names;
        for (const cli::Command& sub : c.subcommands)
            names += (names.empty() ? "" : " ") + std::string(sub.name);
        arguments = "COMPREPLY=($(compgen -W '" + names + "' -- \"$cur\"))";
    } else {
        arguments = completeWith(c.files, c.words, commandNames);
    }
    script.argumentCases += "        " + pattern + ")\n            if [[ $cur == -* ]]; then\n" +
                            "                COMPREPLY=($(compgen -W '" + (options.empty() ? "" : options + " ") +
                            "'\"$_zr48_global_options\" -- \"$cur\"))\n            else\n                " + arguments +
                            "\n            fi ;;\n";
    for (const cli::Command& sub : c.subcommands)
        addCommand(script, c.name, sub, commandNames);
}

} // namespace

std::string zr48BashCompletion()
{
    std::string commandNames;
    for (const cli::Command& c : cli::commands())
        commandNames += (commandNames.empty() ? "" : " ") + std::string(c.name);
    Script script;
    for (const OptionRow& row : cli::globalOptions()) {
        if (row.value)
            script.valueOptions.insert(row.longName);
    }
    for (const cli::Command& c : cli::commands())
        addCommand(script, "", c, commandNames);
    std::string valueOptions;
    for (const std::string& name : script.valueOptions)
        valueOptions += (valueOptions.empty() ? "" : "|") + name;
    std::string withSubcommands;
    for (const cli::Command& c : cli::commands()) {
        if (!c.subcommands.empty())
            withSubcommands += (withSubcommands.empty() ? "" : "|") + std::string(c.name);
    }
    std::string linkOptions;
    for (const OptionRow& row : cli::globalOptions()) {
        if (row.value && std::string_view(row.valueWords) == kLinkTargetWords)
            linkOptions += (linkOptions.empty() ? "" : "|") + optionPattern(row);
    }

    return "# bash completion for zr48                                  -*- shell-script -*-\n"
           "# Made by zr48-manual from zr48's command table; changes belong there.\n"
           "\n"
           "_zr48_global_options='" +
           optionWords(cli::globalOptions()) +
           "'\n"
           "\n"
           "# TARGET of --link: its forms, a terminal device after tty:, a card file after sim:.\n"
           "_zr48_link_target()\n"
           "{\n"
           "    case $cur in\n"
           "        tty:*)\n"
           "            compopt -o filenames\n"
           "            local path=${cur#tty:}\n"
           "            COMPREPLY=($(compgen -P tty: -f -- \"${path:-/dev/}\"))\n"
           "            ;;\n"
           "        sim:*)\n"
           "            compopt -o filenames\n"
           "            COMPREPLY=($(compgen -P sim: -f -- \"${cur#sim:}\"))\n"
           "            ;;\n"
           "        *)\n"
           "            COMPREPLY=($(compgen -W '" +
           kLinkTargetWords +
           "' -- \"$cur\"))\n"
           "            ;;\n"
           "    esac\n"
           "    [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *: ]] && compopt -o nospace\n"
           "    __ltrim_colon_completions \"$cur\"\n"
           "}\n"
           "\n"
           "_zr48()\n"
           "{\n"
           "    local cur prev words cword split\n"
           "    _init_completion -s -n : || return\n"
           "\n"
           "    # The command and its subcommand: the first words that are no options nor their values.\n"
           "    local i command='' sub=''\n"
           "    for ((i = 1; i < cword; i++)); do\n"
           "        case ${words[i]} in\n"
           "            " +
           valueOptions +
           ")\n"
           "                ((i++))\n"
           "                [[ ${words[i]} == = ]] && ((i++)) # --link=TARGET\n"
           "                ;;\n"
           "            -*) ;;\n"
           "            *)\n"
           "                if [[ -z $command ]]; then\n"
           "                    command=${words[i]}\n"
           "                elif [[ -z $sub ]]; then\n"
           "                    sub=${words[i]}\n"
           "                fi\n"
           "                ;;\n"
           "        esac\n"
           "    done\n"
           "    local path=$command\n" +
           (withSubcommands.empty() ? std::string()
                                    : "    case $command in\n"
                                      "        " +
                                          withSubcommands +
                                          ") [[ -n $sub ]] && path=\"$command $sub\" ;;\n"
                                          "    esac\n") +
           "\n"
           "    # The value of an option.\n"
           "    case $prev in\n"
           "        " +
           linkOptions +
           ") _zr48_link_target; return ;;\n"
           "    esac\n"
           "    case $path in\n" +
           script.valueCases +
           "    esac\n"
           "    $split && return\n"
           "\n"
           "    if [[ -z $command ]]; then\n"
           "        if [[ $cur == -* ]]; then\n"
           "            COMPREPLY=($(compgen -W \"$_zr48_global_options\" -- \"$cur\"))\n"
           "        else\n"
           "            COMPREPLY=($(compgen -W '" +
           commandNames +
           "' -- \"$cur\"))\n"
           "        fi\n"
           "        return\n"
           "    fi\n"
           "    case $path in\n" +
           script.argumentCases +
           "    esac\n"
           "} &&\n"
           "    complete -F _zr48 zr48\n"
           "\n"
           "# ex: filetype=sh\n";
}

} // namespace zr48::manual
