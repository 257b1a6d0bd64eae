#!/usr/bin/python3
"""netkestrel-cli(1) against the program's own help, so that neither can drift.

The commands come from `netkestrel-cli --help`, each command's options and
subcommands from `netkestrel-cli COMMAND --help`, at test time. Every command
needs a section of its own under COMMANDS; every option of a command must be
described in that section or in a group of COMMON OPTIONS that the section
names; every subcommand must appear as "COMMAND SUB" in the section; and the
exit statuses that a command's help lists must be in the section's "Exit
status:" line. Each miss is reported on its own line, in words that say what
to add where.
"""
import os
import re
import subprocess
import sys

CLI = os.path.join(os.environ["NETKESTREL_BIN_DIR"], "netkestrel-cli")
MAN_PAGE = os.path.join(os.environ["NETKESTREL_SOURCE_DIR"], "docs", "man", "netkestrel-cli.1")
# Options that every command takes from the parser itself; OPTIONS describes them once.
PARSER_OPTIONS = {"-h", "--help", "--help-all"}


def run_help(*arguments):
    done = subprocess.run([CLI, *arguments, "--help"], capture_output=True, text=True, timeout=60)
    if done.returncode != 0:
        sys.exit(f"netkestrel-cli {' '.join(arguments)} --help: exit status {done.returncode}\n{done.stderr}")
    return done.stdout


def listed_names(help_text):
    """The names of a 'Commands:' list: two spaces, then the name."""
    names, inside = [], False
    for line in help_text.splitlines():
        if line.strip() == "Commands:":
            inside = True
        elif inside and not line.strip():
            break
        elif inside:
            found = re.match(r"^  ([a-z][a-z0-9-]*)(\s|$)", line)
            if found:
                names.append(found.group(1))
    return names


def options_of(help_text):
    """Long options anywhere in the help, short ones where an option line starts."""
    options = set(re.findall(r"(?<![\w-])(--[a-z][a-z0-9-]*)", help_text))
    options |= set(re.findall(r"^\s+(-[A-Za-z])[ ,<]", help_text, re.MULTILINE))
    return options - PARSER_OPTIONS


def exit_statuses_of(help_text):
    found = re.search(r"Exit status:(.*?)(?:\.\s*$|\.\n\n|$)", " ".join(help_text.split()))
    return set(re.findall(r"(?<![\w-])(\d)(?= )", found.group(1))) if found else set()


def plain(roff_line):
    """A roff line as the reader sees its words (fonts, escapes and macro names gone)."""
    text = re.sub(r"\\f[BIRP]", "", roff_line)
    text = text.replace("\\-", "-").replace("\\[rs]", "\\").replace("\\[dq]", '"').replace("\\&", "")
    text = re.sub(r"^\.(B|I|BR|RB|BI|IB|IR|RI|SS|SH|TP|PP|br)\b ?", "", text)
    return text.replace('"', "")


def sections(man_text):
    """{(chapter, section): [plain lines]} for every .SS, chapter being its .SH."""
    result, chapter, section = {}, "", None
    for line in man_text.splitlines():
        if line.startswith(".SH"):
            chapter, section = plain(line).strip(), None
        elif line.startswith(".SS"):
            section = plain(line).strip()
            result[(chapter, section)] = []
        elif section is not None:
            result[(chapter, section)].append(plain(line))
    return result


def main():
    with open(MAN_PAGE, encoding="utf-8") as page:
        man_text = page.read()
    parts = sections(man_text)
    common = {name: " ".join(lines) for (chapter, name), lines in parts.items() if chapter == "COMMON OPTIONS"}
    commands = listed_names(run_help())
    if not commands:
        sys.exit("netkestrel-cli --help lists no commands: the usage text changed its layout")

    missing = []
    for command in commands:
        help_text = run_help(command)
        if ("COMMANDS", command) not in parts:
            missing.append(f'command "{command}": no section `.SS "{command}"` under `.SH COMMANDS`')
            continue
        text = " ".join(parts[("COMMANDS", command)])
        named_groups = [body for name, body in common.items() if name.lower() in text.lower()]
        for option in sorted(options_of(help_text)):
            words = re.compile(r"(?<![\w-])" + re.escape(option) + r"(?![\w-])")
            if not words.search(text) and not any(words.search(body) for body in named_groups):
                missing.append(f'command "{command}": option {option} is not described in its section '
                               "(nor in a COMMON OPTIONS group that the section names)")
        for sub in listed_names(help_text):
            if not re.search(r"(?<![\w-])" + re.escape(f"{command} {sub}") + r"(?![\w-])", text):
                missing.append(f'command "{command}": subcommand "{command} {sub}" is missing from its section')
        statuses = re.search(r"Exit status:([^.]*)", text)
        if not statuses:
            missing.append(f'command "{command}": its section has no "Exit status:" line')
        else:
            for status in sorted(exit_statuses_of(help_text) - set(re.findall(r"\d", statuses.group(1)))):
                missing.append(f'command "{command}": exit status {status} of its help is missing '
                               'from the section\'s "Exit status:" line')

    if missing:
        print(f"{MAN_PAGE} lacks what netkestrel-cli's help says:")
        print("\n".join(f"  {line}" for line in missing))
        return 1
    print(f"netkestrel-cli.1 describes all {len(commands)} commands, their options and exit statuses")
    return 0


if __name__ == "__main__":
    sys.exit(main())
