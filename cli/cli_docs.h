// The man page and the bash completion script, made from the tool's own option definitions
// at build time, so that neither is a second copy to keep in step by hand.
#pragma once

#include <ostream>

#include <CLI/CLI.hpp>

// A man(7) page of section 1: synopsis, description, then each subcommand with its options.
void WriteManPage(const CLI::App& app, const char* version, std::ostream& out);

// A bash completion script: subcommands, each one's options, and the choices of options that
// check against a list.
void WriteBashCompletion(const CLI::App& app, std::ostream& out);
