#!/usr/bin/env python3
"""Fails when a text shown to people has no English translation.

Two ways a text can miss one: it is marked for translation (tr, translate, tr_text) but the project's .ts
files do not translate it yet, or it is written in Japanese in the sources without being marked at all.
The first is found by bringing a copy of the .ts files up to date with the sources (the project's own
scripts/update-translations); the second by looking for Japanese string literals in the sources that are
not part of any text the tools collected. A literal that is meant to stay as written (a language's own name,
a keyword of a file format) carries the comment `// untranslated` on its line.
"""
import pathlib
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

ROOT = pathlib.Path(__file__).resolve().parents[2]
FOLDERS = ["calc", "scene", "display", "document", "render", "app", "dialogs", "platform"]
JAPANESE = re.compile(r"[\u3000-\u30ff\u4e00-\u9fff\uff00-\uffef]")
LITERAL = re.compile(r'R"([^(\s]*)\((.*?)\)\1"|"((?:[^"\\\n]|\\.)*)"', re.S)
ESCAPES = {"n": "\n", "t": "\t", '"': '"', "\\": "\\", "'": "'"}


def unescape(text):
    return re.sub(r"\\(.)", lambda m: ESCAPES.get(m.group(1), m.group(0)), text)


def strip_comments(source):
    """Blanks out comments (keeping line breaks) so that Japanese in them is not taken for a text."""
    out, i, n = [], 0, len(source)
    while i < n:
        if source.startswith("//", i):
            end = source.find("\n", i)
            end = n if end < 0 else end
            comment = source[i:end]
            out.append("//untranslated" if "// untranslated" in comment else "")
            i = end
        elif source.startswith("/*", i):
            end = source.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append(re.sub(r"[^\n]", " ", source[i:end]))
            i = end
        elif source[i] == '"' or source.startswith('R"', i):
            match = LITERAL.match(source, i)
            end = match.end() if match else i + 1
            out.append(source[i:end])
            i = end
        elif source[i] == "'":
            end = source.find("'", i + 2) if source.startswith("'\\", i) else source.find("'", i + 1)
            end = i if end < 0 else end
            out.append(source[i : end + 1])
            i = end + 1
        else:
            out.append(source[i])
            i += 1
    return "".join(out)


def main():
    problems = []
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run([str(ROOT / "scripts/update-translations"), tmp], check=True)
        collected = []
        for folder in FOLDERS:
            for context in ET.parse(pathlib.Path(tmp) / f"{folder}.ts").getroot().iter("context"):
                name = context.findtext("name")
                for message in context.iter("message"):
                    source = message.findtext("source") or ""
                    collected.append(source)
                    translation = message.find("translation")
                    if (
                        translation is None
                        or translation.get("type") in ("unfinished", "vanished", "obsolete")
                        or not (translation.text or "").strip()
                    ):
                        problems.append(f"translations/en/{folder}.ts: {name}: no translation of {source!r}")
    everything = "\x00".join(collected)
    for folder in FOLDERS:
        for path in sorted((ROOT / folder).glob("*.[ch]*")):
            source = strip_comments(path.read_text(encoding="utf-8"))
            lines = source.splitlines()
            for match in LITERAL.finditer(source):
                number = source.count("\n", 0, match.start()) + 1
                text = match.group(2) if match.group(2) is not None else unescape(match.group(3))
                if JAPANESE.search(text) and text not in everything and "//untranslated" not in lines[number - 1]:
                    problems.append(f"{path.relative_to(ROOT)}:{number}: not marked for translation: {text!r}")
    for problem in problems:
        print(problem)
    print(f"{len(problems)} text(s) without an English translation" if problems else "every text is translated")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
