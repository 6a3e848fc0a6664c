#include "cli/cli_docs.h"

#include <string>
#include <vector>

namespace {

// Text for roff: a leading '.' or '\'' would start a request; backslashes escape.
std::string Roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::vector<const CLI::App*> Subcommands(const CLI::App& app) {
    std::vector<const CLI::App*> subs;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        subs.push_back(sub);
    }
    return subs;
}

std::vector<const CLI::Option*> VisibleOptions(const CLI::App& app) {
    std::vector<const CLI::Option*> options;
    for (const CLI::Option* o : app.get_options()) {
        if (!o->get_group().empty() && o->nonpositional()) options.push_back(o);
    }
    return options;
}

std::string OptionNames(const CLI::Option* o) {
    std::string names;
    for (const std::string& s : o->get_snames()) names += (names.empty() ? "-" : ", -") + s;
    for (const std::string& l : o->get_lnames()) names += (names.empty() ? "--" : ", --") + l;
    return names;
}

void WriteOptions(const CLI::App& app, std::ostream& out) {
    for (const CLI::Option* o : VisibleOptions(app)) {
        out << ".TP\n.B " << Roff(OptionNames(o));
        if (o->get_type_size() != 0 && !o->get_type_name().empty())
            out << " \" " << Roff(o->get_type_name()) << "\"";
        out << "\n" << Roff(o->get_description());
        const std::string def = o->get_default_str();
        if (!def.empty()) out << " (default: " << Roff(def) << ")";
        out << "\n";
    }
}

// The names an option's value can take, when a check lists them: "{a,b,c}" in its type text.
std::vector<std::string> Choices(const CLI::Option* o) {
    std::vector<std::string> choices;
    const std::string text = o->get_type_name();
    const std::size_t open = text.find('{'), close = text.find('}');
    if (open == std::string::npos || close == std::string::npos || close < open) return choices;
    std::string item;
    for (std::size_t i = open + 1; i <= close; ++i) {
        if (text[i] == ',' || i == close) {
            if (!item.empty()) choices.push_back(item);
            item.clear();
        } else {
            item += text[i];
        }
    }
    return choices;
}

std::string Words(const CLI::App& app) {
    std::string words;
    for (const CLI::Option* o : VisibleOptions(app)) {
        for (const std::string& s : o->get_snames()) words += " -" + s;
        for (const std::string& l : o->get_lnames()) words += " --" + l;
    }
    return words;
}

}  // namespace

void WriteManPage(const CLI::App& app, const char* version, std::ostream& out) {
    const std::string name = app.get_name();
    out << ".TH " << Roff(name) << " 1 \"\" \"" << Roff(name) << " " << version
        << "\" \"User Commands\"\n"
        << ".SH NAME\n"
        << Roff(name) << " \\- " << Roff(app.get_description()) << "\n"
        << ".SH SYNOPSIS\n"
        << ".B " << Roff(name) << "\n[\\fIGLOBAL OPTIONS\\fR] \\fICOMMAND\\fR [\\fIOPTIONS\\fR]\n"
        << ".SH GLOBAL OPTIONS\n";
    WriteOptions(app, out);
    out << ".SH COMMANDS\n";
    for (const CLI::App* sub : Subcommands(app)) {
        out << ".SS " << Roff(sub->get_name()) << "\n" << Roff(sub->get_description()) << "\n";
        WriteOptions(*sub, out);
    }
    out << ".SH SEE ALSO\n"
        << Roff(name) << " \\fICOMMAND\\fR \\-\\-help prints the same for one command.\n";
}

void WriteBashCompletion(const CLI::App& app, std::ostream& out) {
    const std::string name = app.get_name();
    std::string fn = "_";
    for (char c : name) fn += c == '-' ? '_' : c;
    std::string commands;
    for (const CLI::App* sub : Subcommands(app)) commands += " " + sub->get_name();
    out << "# bash completion for " << name << "\n"
        << fn << "() {\n"
        << "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} cmd= w\n"
        << "    for w in \"${COMP_WORDS[@]:1:COMP_CWORD-1}\"; do\n"
        << "        case $w in"
        << "\n";
    for (const CLI::App* sub : Subcommands(app)) {
        out << "            " << sub->get_name() << ") cmd=$w ;;\n";
    }
    out << "        esac\n    done\n"
        << "    case $cmd:$prev in\n";
    auto choiceCases = [&](const CLI::App& a, const std::string& cmd) {
        for (const CLI::Option* o : VisibleOptions(a)) {
            const std::vector<std::string> choices = Choices(o);
            if (choices.empty()) continue;
            std::string list;
            for (const std::string& c : choices) list += (list.empty() ? "" : " ") + c;
            for (const std::string& l : o->get_lnames()) {
                out << "        " << cmd << ":--" << l << ") COMPREPLY=($(compgen -W \"" << list
                    << "\" -- \"$cur\")); return ;;\n";
            }
        }
    };
    for (const CLI::App* sub : Subcommands(app)) choiceCases(*sub, sub->get_name());
    out << "        *:-o|*:--preset|*:--save-preset|*:--plugin-dir|*:--json) "
           "COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
        << "    esac\n"
        << "    case $cmd in\n"
        << "        '') COMPREPLY=($(compgen -W \"" << commands.substr(1) << Words(app)
        << "\" -- \"$cur\")) ;;\n";
    for (const CLI::App* sub : Subcommands(app)) {
        out << "        " << sub->get_name() << ") COMPREPLY=($(compgen -W \""
            << Words(*sub).substr(1) << "\" -- \"$cur\")) ;;\n";
    }
    out << "    esac\n}\ncomplete -F " << fn << " " << name << "\n";
}
