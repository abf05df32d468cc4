#!/usr/bin/env python3
"""Checks the administrator's reference (docs/configuration.md) against the code, both ways: every value name
its index lists is read or written by the add-in's code, and every value name the code reads or writes is in
the index. Also checks that the configuration check of UlnaraHeaders knows exactly the item values listed.

Value names are found where the code hands them to a registry read or write: the key class's QueryString,
QueryDword, QueryValue and SetValue, the downloader's RegQueryValueA and RegSetValueA, the Win32 value
functions, and any function of the same file that passes one of its own parameters on to one of these (found
by the check itself, so a small wrapper such as Value(name) needs no entry here). The name argument may be a
literal, a named constant, a local variable, a concatenation ("Error" + code, method + "Headers"), a
conditional, or a call of a function that returns such an expression; the parts that vary become <n>. An
argument the check cannot follow is reported: write it in one of these forms.

Usage: check_configuration_reference.py [--root SOURCE_DIR]
Exit status: 0 consistent, 1 a difference (each one printed), 2 the check itself failed.
"""

import argparse
import itertools
import pathlib
import re
import sys

SCANNED_FOLDERS = ("addin", "webservice", "netfile")
REFERENCE = "docs/configuration.md"
INDEX_HEADING = "## Index of value names"
TOOL_CATALOGUE = "tools/UlnaraHeaders/config_check.cpp"
PLACEHOLDER = "<>"

# Documented names that the code of this tree does not read yet, because the code that reads them has not
# been merged. Empty this set as that code arrives; the check fails for a name listed here that the code reads.
PENDING = set()

# Functions that take a value name, and the position of that argument.
READERS = {
    "QueryString": 0, "QueryDword": 0, "QueryValue": 0, "SetValue": 0,
    "RegQueryValueA": 1, "RegSetValueA": 1,
    "RegQueryValueExA": 1, "RegQueryValueExW": 1, "RegSetValueExA": 1, "RegSetValueExW": 1,
    "RegGetValueA": 2, "RegGetValueW": 2, "RegDeleteValueA": 1, "RegDeleteValueW": 1,
    "RegSetKeyValueA": 2, "RegSetKeyValueW": 2,
}
# Calls whose text varies by their arguments: numbers written as text.
NUMBER_FORMATTERS = {"to_string", "std::to_string", "NumToStr", "mx::NumToStr"}
CONTROL_WORDS = {"if", "for", "while", "switch", "catch", "return", "sizeof", "decltype", "alignof", "static_assert"}


class Unresolved(Exception):
    """An argument the check cannot follow to a value name."""


class NotAName(Exception):
    """An argument that cannot be a value name (a number): the call is no registry value access."""


# ---------------------------------------------------------------------------------------------------------
# Source text

def strip_comments(text):
    """The text with comments replaced by blanks (line breaks kept, so positions and line numbers hold)."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
            out.append(" " * (end - i))
            i = end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append("".join(ch if ch == "\n" else " " for ch in text[i:end]))
            i = end
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            open_paren = text.find("(", i + 2)
            delimiter = text[i + 2:open_paren]
            end = text.find(")" + delimiter + '"', open_paren)
            end = n if end < 0 or open_paren < 0 else end + len(delimiter) + 2
            out.append(text[i:end])
            i = end
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def blank_literals(code):
    """The code with the insides of string and character literals blanked, for matching brackets."""
    out = list(code)
    i, n = 0, len(code)
    while i < n:
        c = code[i]
        if c in "\"'" and not (c == "'" and i > 0 and code[i - 1].isalnum()):  # not a digit separator
            j = i + 1
            while j < n and code[j] != c and code[j] != "\n":
                if code[j] == "\\":
                    out[j] = " "
                    j += 1
                out[j] = " " if j < n else ""
                j += 1
            i = j + 1
        else:
            i += 1
    return "".join(out)


def matching(code, open_index):
    """Index of the bracket that closes the one at open_index (in blanked code), or -1."""
    pairs = {"(": ")", "{": "}", "[": "]"}
    stack = []
    for i in range(open_index, len(code)):
        c = code[i]
        if c in pairs:
            stack.append(pairs[c])
        elif c in ")}]":
            if not stack or stack.pop() != c:
                return -1
            if not stack:
                return i
    return -1


def split_top_level(text, separator):
    """Splits text at separator characters outside brackets and literals."""
    blanked = blank_literals(text)
    parts, depth, start = [], 0, 0
    for i, c in enumerate(blanked):
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif c == separator and depth == 0:
            parts.append(text[start:i])
            start = i + 1
    parts.append(text[start:])
    return parts


class Function:
    def __init__(self, name, parameters, body_start, body_end):
        self.name = name
        self.parameters = parameters   # parameter names in order
        self.body_start = body_start   # index after "{"
        self.body_end = body_end       # index of the closing "}"


HEADER_TAIL = re.compile(r"^\s*(?:(?:const|noexcept|override|final|mutable|volatile|&|&&)\s*)*(?:->[^{;]*)?(?::[^{;]*)?$",
                         re.S)


def parameter_names(text):
    names = []
    for parameter in split_top_level(text, ","):
        parameter = split_top_level(parameter, "=")[0].strip()
        found = re.search(r"(\w+)\s*(?:\[[^\]]*\])?$", parameter)
        if found and parameter not in ("void", "") and found.group(1) not in ("void",):
            names.append(found.group(1))
    return names


def find_functions(code):
    """Every function body (also member functions defined in their class and lambdas) in blanked code."""
    functions = []
    for open_index, c in enumerate(code):
        if c != "{":
            continue
        start = max(code.rfind(";", 0, open_index), code.rfind("{", 0, open_index), code.rfind("}", 0, open_index))
        header = code[start + 1:open_index]
        close = matching(code, open_index)
        if close < 0:
            continue
        for candidate in re.finditer(r"(\]|[A-Za-z_][\w:~]*)\s*\(", header):
            name = candidate.group(1)
            paren = candidate.end() - 1
            end = matching(header, paren)
            if end < 0 or name.split("::")[-1] in CONTROL_WORDS:
                continue
            if HEADER_TAIL.match(header[end + 1:]):
                functions.append(Function("<lambda>" if name == "]" else name.split("::")[-1],
                                          parameter_names(header[paren + 1:end]), open_index + 1, close))
                break
    return functions


class SourceFile:
    def __init__(self, path, relative):
        self.path = path
        self.relative = relative
        self.code = strip_comments(path.read_text(encoding="utf-8", errors="replace"))
        self.blanked = blank_literals(self.code)
        self.functions = find_functions(self.blanked)

    def line_of(self, index):
        return self.code.count("\n", 0, index) + 1

    def enclosing(self, index):
        inside = [f for f in self.functions if f.body_start <= index <= f.body_end]
        return min(inside, key=lambda f: f.body_end - f.body_start) if inside else None


# ---------------------------------------------------------------------------------------------------------
# Following a name argument to the value names it can be

def parse_literals(text):
    """The text of one or more adjacent string literals, or None when text is something else."""
    pieces, rest = [], text.strip()
    if not rest:
        return None
    while rest:
        found = re.match(r'(?:u8|u|U|L)?"((?:[^"\\]|\\.)*)"\s*', rest, re.S)
        if not found:
            return None
        pieces.append(re.sub(r"\\(.)", r"\1", found.group(1)))
        rest = rest[found.end():]
    return "".join(pieces)


def join_placeholders(text):
    while PLACEHOLDER * 2 in text:
        text = text.replace(PLACEHOLDER * 2, PLACEHOLDER)
    return text


def strip_wrapping(expression):
    expression = expression.strip()
    while True:
        before = expression
        expression = re.sub(r"\.(?:c_str|data)\s*\(\s*\)$", "", expression).strip()
        for prefix in ("std::string", "std::string_view", "std::wstring", "CString"):
            if expression.startswith(prefix + "(") and matching(blank_literals(expression), len(prefix)) == len(expression) - 1:
                expression = expression[len(prefix) + 1:-1].strip()
        if expression.startswith("(") and matching(blank_literals(expression), 0) == len(expression) - 1:
            expression = expression[1:-1].strip()
        if expression == before:
            return expression


class Resolver:
    def __init__(self, files):
        self.files = files
        self.constants = {}   # global and file-level constants: name -> (file, expression)
        for source in files:
            for found in re.finditer(r"\b(?:constexpr|const)\b[^;=(){}]*?\b([A-Za-z_]\w*)\s*(?:\[\s*\w*\s*\])?\s*=\s*([^;{}]+);",
                                     source.code):
                self.constants.setdefault(found.group(1), (source, found.group(2)))
            for found in re.finditer(r"^\s*#\s*define\s+(\w+)\s+(\"[^\n]*\")\s*$", source.code, re.M):
                self.constants.setdefault(found.group(1), (source, found.group(2)))

    def resolve(self, expression, source, position, depth=0):
        """The value names (placeholders for varying parts) an expression at position of source can be."""
        if depth > 12:
            raise Unresolved("too deep")
        expression = strip_wrapping(expression)
        if re.fullmatch(r"[-+]?\d[\w.']*", expression) or expression in ("nullptr", "NULL", "0"):
            raise NotAName()
        conditional = split_top_level(expression.replace("::", "\0\0"), "?")
        if len(conditional) == 2:
            branches = split_top_level(conditional[1], ":")
            if len(branches) == 2:
                return (self.resolve(branches[0].replace("\0\0", "::"), source, position, depth + 1)
                        | self.resolve(branches[1].replace("\0\0", "::"), source, position, depth + 1))
        parts = split_top_level(expression, "+")
        if len(parts) > 1:
            choices = [self.resolve_part(part, source, position, depth) for part in parts]
            return {join_placeholders("".join(combination)) for combination in itertools.product(*choices)}
        return self.resolve_part(expression, source, position, depth, whole=True)

    def resolve_part(self, part, source, position, depth, whole=False):
        part = strip_wrapping(part)
        literal = parse_literals(part)
        if literal is not None:
            return {literal}
        call = re.fullmatch(r"([A-Za-z_][\w:]*)\s*\((.*)\)", part, re.S)
        if call and matching(blank_literals(part), call.start(2) - 1) == len(part) - 1:
            return self.resolve_call(call.group(1), call.group(2), source, position, depth)
        identifier = re.fullmatch(r"[A-Za-z_]\w*", part)
        if identifier:
            return self.resolve_identifier(part, source, position, depth, whole)
        if not whole and re.fullmatch(r"[\w\s.\->\[\]()*&:]+", part):
            return {PLACEHOLDER}   # a member or element in a concatenation: text that varies
        raise Unresolved(part)

    def resolve_call(self, name, arguments, source, position, depth):
        if name in NUMBER_FORMATTERS:
            return {PLACEHOLDER}
        short = name.split("::")[-1]
        for candidate_file in [source] + [f for f in self.files if f is not source]:
            for function in candidate_file.functions:
                if function.name != short:
                    continue
                body = candidate_file.code[function.body_start:function.body_end]
                returns = re.findall(r"\breturn\b\s*([^;]+);", body)
                if returns:
                    names = set()
                    for returned in returns:
                        names |= self.resolve(returned, candidate_file, function.body_start, depth + 1)
                    return names
        raise Unresolved(name + "(...)")

    def resolve_identifier(self, name, source, position, depth, whole):
        function = source.enclosing(position)
        if function is not None:
            body = source.code[function.body_start:position]
            local = self.local_definition(name, body)
            if local is not None:
                return self.resolve(local, source, function.body_start, depth + 1)
            if name in function.parameters:
                if whole:
                    raise Forwarded(function, function.parameters.index(name))
                return {PLACEHOLDER}
        if name in self.constants:
            constant_file, expression = self.constants[name]
            return self.resolve(expression, constant_file, -1, depth + 1)
        raise Unresolved(name)

    @staticmethod
    def local_definition(name, body):
        """The expression last given to a local variable in the function body before the use, or None."""
        patterns = [
            r"\b" + name + r"\s*(?:\[[^\]]*\])?\s*=\s*([^;]+);",
            r"(?:\bauto|\bstd::string(?:_view)?|\bchar\s*\*|\bCString)\s*&?\s*\b" + name + r"\s*[({]([^;]*)[)}]\s*;",
        ]
        best = None
        for pattern in patterns:
            for found in re.finditer(pattern, body):
                if found.group(1).lstrip().startswith("="):
                    continue   # a comparison, not an assignment
                if best is None or found.start() > best[0]:
                    best = (found.start(), found.group(1))
        for found in re.finditer(r"\b\w*printf\w*\s*\(\s*" + name + r"\b(.*?)\)\s*;", body, re.S):
            literal = re.search(r'"((?:[^"\\]|\\.)*)"', found.group(1))
            if literal and (best is None or found.start() > best[0]):
                template = re.sub(r"%[-+ #0-9.]*(?:hh|h|ll|l|I64|z)?[diuxXs]", PLACEHOLDER, literal.group(1))
                best = (found.start(), '"' + template.replace('"', '\\"') + '"')
        return None if best is None else best[1]


class Forwarded(Exception):
    """The name argument is a parameter of the enclosing function, which therefore reads a value by name."""

    def __init__(self, function, index):
        super().__init__(function.name)
        self.function = function
        self.index = index


# ---------------------------------------------------------------------------------------------------------
# Finding the value names of a tree

def call_arguments(code, blanked, open_paren):
    close = matching(blanked, open_paren)
    if close < 0:
        return None
    return split_top_level(code[open_paren + 1:close], ",")


def is_declaration(argument):
    """Whether a call's argument is a parameter declaration (the call is a function's own header)."""
    argument = split_top_level(argument, "=")[0].strip()
    return bool(re.fullmatch(r"(?:const\s+)?[A-Za-z_][\w:<>, ]*?[\s&*]+[A-Za-z_]\w*(?:\s*\[[^\]]*\])?", argument)) \
        and not parse_literals(argument)


def value_names(files):
    """{value name: [where]} for every value name the files read or write, and a list of problems."""
    resolver = Resolver(files)
    found, problems = {}, []
    # Readers per file: the common ones everywhere, wrappers only where they are defined (and in the
    # header or source of the same name), since a short name such as Value() means other things elsewhere.
    local_readers = {}
    changed = True
    while changed:
        changed = False
        for source in files:
            readers = dict(READERS)
            for other in files:
                if other.path.stem == source.path.stem:
                    readers.update(local_readers.get(other.relative, {}))
            pattern = re.compile(r"\b(" + "|".join(sorted(readers, key=len, reverse=True)) + r")\s*\(")
            for call in pattern.finditer(source.blanked):
                name = call.group(1)
                arguments = call_arguments(source.code, source.blanked, call.end() - 1)
                index = readers[name]
                if not arguments or len(arguments) <= index or any(is_declaration(a) for a in arguments if a.strip()):
                    continue
                where = "%s:%d" % (source.relative, source.line_of(call.start()))
                try:
                    for value in resolver.resolve(arguments[index], source, call.start()):
                        found.setdefault(value, [])
                        if where not in found[value]:
                            found[value].append(where)
                except NotAName:
                    pass
                except Forwarded as forwarded:
                    wrapper = forwarded.function.name
                    if wrapper not in readers and wrapper != "<lambda>":
                        local_readers.setdefault(source.relative, {})[wrapper] = forwarded.index
                        changed = True
                except Unresolved as unresolved:
                    problem = "%s: cannot tell which value name %s(%s) reads (at %s); name it with a literal, a " \
                              "named constant or a function returning one" % (where, name, arguments[index].strip(),
                                                                                unresolved)
                    if problem not in problems:
                        problems.append(problem)
    return found, problems


def read_tree(root):
    files = []
    for folder in SCANNED_FOLDERS:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix in (".cpp", ".h") and path.is_file():
                files.append(SourceFile(path, str(path.relative_to(root))))
    return files


# ---------------------------------------------------------------------------------------------------------
# The reference's index, and matching

def normalise(documented):
    documented = documented.strip()
    if documented == "(default)":
        return ""
    return join_placeholders(re.sub(r"<[^<>]*>", PLACEHOLDER, documented))


def index_names(reference_text):
    start = reference_text.find("\n" + INDEX_HEADING + "\n")
    if start < 0:
        raise SystemExit("check_configuration_reference: %s has no heading \"%s\"" % (REFERENCE, INDEX_HEADING))
    section = reference_text[start + len(INDEX_HEADING) + 2:]
    following = re.search(r"^#{1,2} ", section, re.M)
    if following:
        section = section[:following.start()]
    names = []
    for row in re.finditer(r"^\|\s*`([^`]+)`\s*\|", section, re.M):
        names.append(normalise(row.group(1)))
    return names


def pattern_regex(name):
    return re.compile("^" + ".+".join(re.escape(piece) for piece in name.split(PLACEHOLDER)) + "$", re.S)


def covers(listed, code_name):
    """Whether a listed name stands for a name the code uses: the same name or pattern, or an instance of
    the code's pattern (POSTHeaders for <>Headers)."""
    return listed == code_name or (PLACEHOLDER in code_name and PLACEHOLDER not in listed
                                   and pattern_regex(code_name).match(listed) is not None)


def display(name):
    return "(default)" if name == "" else name.replace(PLACEHOLDER, "<n>")


def compare(listed, code_names, pending):
    differences = []
    for name in listed:
        used = any(covers(name, code) for code in code_names)
        if used and name in pending:
            differences.append("%s is read by the code now: remove it from PENDING" % display(name))
        elif not used and name not in pending:
            differences.append("%s is listed in %s but no code reads or writes it" % (display(name), REFERENCE))
    for code, where in sorted(code_names.items()):
        if not any(covers(name, code) for name in listed):
            differences.append("%s is read or written by the code (%s) but not listed in %s" %
                               (display(code), ", ".join(where), REFERENCE))
    for name in sorted(pending - set(listed)):
        differences.append("%s is in PENDING but not listed in %s" % (display(name), REFERENCE))
    return differences


def catalogue_differences(root, listed):
    """The item and preference values the configuration check knows, against the index."""
    path = root / TOOL_CATALOGUE
    if not path.exists():
        return []
    known = {normalise(name) for name in re.findall(r'ValueRule\s*\{\s*"((?:[^"\\]|\\.)*)"', strip_comments(path.read_text()))}
    differences = []
    for name in sorted(known - set(listed)):
        differences.append("%s is known to %s but not listed in %s" % (display(name), TOOL_CATALOGUE, REFERENCE))
    for name in sorted(set(listed) - known):
        differences.append("%s is listed in %s but unknown to %s" % (display(name), REFERENCE, TOOL_CATALOGUE))
    return differences


# ---------------------------------------------------------------------------------------------------------
# The check's own cases: each form in which the code names a value

SELF_TEST_CASES = [
    ("literal", 'void f(basic_RegistryKey& k) { k.QueryString("HandlerID"); k.QueryDword("Hidden"); }',
     {"HandlerID", "Hidden"}),
    ("default value and named constant",
     'constexpr char kProxy[] = "ProxyURL";\nvoid f() { key.QueryString(""); key.SetValue(kProxy, url); }',
     {"", "ProxyURL"}),
    ("concatenations", 'void f(const K& key, const std::string& method, int status) {\n'
                       '  std::string code = std::to_string(status);\n  key.QueryString("Error" + code);\n'
                       '  key.QueryValue(method + "Headers", stored);\n'
                       '  key.QueryDword("Dialog" + std::to_string(reactions));\n}',
     {"Error<>", "<>Headers", "Dialog<>"}),
    ("wrapper in the same file, called with literals",
     'class Run { std::optional<std::string> Value(const std::string& name) const { return m_key.QueryString(name); }\n'
     '  void Go() { Value("Host"); if (auto p = Value("ShowPage")) {} } };',
     {"Host", "ShowPage"}),
    ("function returning the name, downloader reads, conditional",
     'std::string HistoryValueName(int position) { return "#" + std::to_string(position + 1); }\n'
     'void f(HKEY k, int kind) { CGetNetFile::RegQueryValueA(k, HistoryValueName(3).c_str(), v);\n'
     '  RegQueryValueA(k, kind == 5 ? "Desktop" : "Cache", v); }',
     {"#<>", "Desktop", "Cache"}),
    ("formatted into a buffer", 'void f(HKEY k, int n) { char name[32];\n'
                                '  std::snprintf(name, sizeof name, "Target%d", n);\n'
                                '  RegQueryValueExA(k, name, nullptr, &type, data, &size); }',
     {"Target<>"}),
    ("declarations and other uses are no reads",
     'LONG QueryValue(const std::string& name, DWORD* value) const;\n'
     'void g() { m_progress.SetValue(50); /* key.QueryString("Commented"); */ }', set()),
]


def self_test():
    import tempfile
    failures = []
    for title, code, expected in SELF_TEST_CASES:
        with tempfile.TemporaryDirectory() as folder:
            path = pathlib.Path(folder) / "case.cpp"
            path.write_text(code)
            found, problems = value_names([SourceFile(path, "case.cpp")])
        if set(found) != expected or problems:
            failures.append("self-test \"%s\": found %s, wanted %s %s" % (title, sorted(found), sorted(expected),
                                                                           "; ".join(problems)))
    unresolvable = 'void f(K& key) { key.QueryString(m_name); }'
    with tempfile.TemporaryDirectory() as folder:
        path = pathlib.Path(folder) / "case.cpp"
        path.write_text(unresolvable)
        found, problems = value_names([SourceFile(path, "case.cpp")])
    if found or len(problems) != 1:
        failures.append("self-test \"an argument that cannot be followed is reported\": found %s, problems %s" %
                        (sorted(found), problems))
    return failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--root", default=pathlib.Path(__file__).resolve().parents[2], type=pathlib.Path)
    root = parser.parse_args().root
    failures = self_test()
    if failures:
        print("\n".join(failures))
        return 2
    listed = index_names((root / REFERENCE).read_text(encoding="utf-8"))
    found, problems = value_names(read_tree(root))
    differences = problems + compare(listed, found, PENDING) + catalogue_differences(root, listed)
    for difference in differences:
        print(difference)
    if differences:
        print("%d difference(s) between %s and the code" % (len(differences), REFERENCE))
        return 1
    print("%s lists the %d value names the code reads or writes (%d still to be merged)" %
          (REFERENCE, len(listed) - len(PENDING), len(PENDING)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
