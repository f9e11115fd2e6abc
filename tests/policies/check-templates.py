#!/usr/bin/env python3
"""Holds the administrative templates (policies/Marrowby.admx and its en-US
.adml) against the table of policy values the program reads, which the
command given after --table prints (name, type, min, max, tab-separated).

Fails when a value is in one and not the other, or when their types or ranges
differ; and when the templates themselves are not whole: a string or a
presentation they name that the .adml lacks, a policy without its
explanation, a policy outside the category Brenlow\\Marrowby.
"""

import argparse
import subprocess
import sys
import xml.etree.ElementTree as ET

NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}
ROOT = "Software\\Policies\\Brenlow\\Marrowby"
# What the schema takes when a decimal element names no range.
DECIMAL_MIN, DECIMAL_MAX = 0, 9999

problems = []


def problem(text):
    problems.append(text)


def relative_name(key, value_name):
    """The value's path under the policy key, as the program's table names it."""
    if key.lower() != ROOT.lower() and not key.lower().startswith(ROOT.lower() + "\\"):
        problem(f"{key}\\{value_name}: not under {ROOT}")
        return value_name
    sub = key[len(ROOT) + 1:]
    return f"{sub}\\{value_name}" if sub and value_name else (sub or value_name)


def decimal_of(parent, tag):
    node = parent.find(f"p:{tag}/p:decimal", NS)
    return None if node is None else int(node.get("value"))


def template_values(admx):
    """{name: (type, min, max)} of every registry value the templates write."""
    values = {}

    def add(name, entry, policy):
        if name in values:
            problem(f"{name}: written by more than one policy (again by {policy})")
        values[name] = entry

    for policy in admx.getroot().iterfind("p:policies/p:policy", NS):
        name = policy.get("name")
        key = policy.get("key")
        if policy.get("valueName"):
            enabled = decimal_of(policy, "enabledValue")
            disabled = decimal_of(policy, "disabledValue")
            if (enabled, disabled) != (1, 0):
                problem(f"{name}: an on/off policy must write 1 when enabled and 0 when disabled")
            add(relative_name(key, policy.get("valueName")), ("dword", 0, 1), name)
        for element in policy.iterfind("p:elements/*", NS):
            tag = element.tag.split("}")[1]
            element_key = element.get("key", key)
            if tag == "boolean":
                add(relative_name(element_key, element.get("valueName")), ("dword", 0, 1), name)
            elif tag == "decimal":
                low = int(element.get("minValue", DECIMAL_MIN))
                high = int(element.get("maxValue", DECIMAL_MAX))
                if element.get("storeAsText", "false") == "true":
                    problem(f"{name}: a number must be stored as REG_DWORD")
                add(relative_name(element_key, element.get("valueName")), ("dword", low, high), name)
            elif tag == "text":
                if element.get("expandable", "false") == "true":
                    problem(f"{name}: text is read as REG_SZ, not REG_EXPAND_SZ")
                add(relative_name(element_key, element.get("valueName")), ("text", 0, 0), name)
            elif tag == "list":
                kind = "marks" if element.get("explicitValue", "false") == "true" else "list"
                if kind == "list" and element.get("valuePrefix") != "Item":
                    problem(f"{name}: the entries of a list are named Item1, Item2, ... (valuePrefix=\"Item\")")
                add(relative_name(element_key, ""), (kind, 0, 0), name)
            else:
                problem(f"{name}: element <{tag}> is not one the program reads")
    return values


def check_wholeness(admx, adml):
    strings = {s.get("id") for s in adml.getroot().iterfind("p:resources/p:stringTable/p:string", NS)}
    texts = {s.get("id"): (s.text or "").strip()
             for s in adml.getroot().iterfind("p:resources/p:stringTable/p:string", NS)}
    presentations = {p.get("id"): p for p in
                     adml.getroot().iterfind("p:resources/p:presentationTable/p:presentation", NS)}

    def reference(text, kind):
        if text and text.startswith(f"$({kind}.") and text.endswith(")"):
            return text[len(kind) + 3:-1]
        return None

    for node in admx.getroot().iter():
        for attribute, value in node.attrib.items():
            wanted = reference(value, "string")
            if wanted is not None and wanted not in strings:
                problem(f"{attribute}={value}: no such string in the .adml")
            wanted = reference(value, "presentation")
            if wanted is not None and wanted not in presentations:
                problem(f"{attribute}={value}: no such presentation in the .adml")

    categories = {c.get("name"): c for c in admx.getroot().iterfind("p:categories/p:category", NS)}
    marrowby = categories.get("Marrowby")
    parent = None if marrowby is None else marrowby.find("p:parentCategory", NS)
    if parent is None or parent.get("ref") != "Brenlow" or "Brenlow" not in categories:
        problem("the category is not Brenlow\\Marrowby")

    def under_marrowby(category):
        seen = set()
        while category and category not in seen:
            if category == "Marrowby":
                return True
            seen.add(category)
            node = categories.get(category)
            parent_node = None if node is None else node.find("p:parentCategory", NS)
            category = None if parent_node is None else parent_node.get("ref")
        return False

    for policy in admx.getroot().iterfind("p:policies/p:policy", NS):
        name = policy.get("name")
        if not under_marrowby(policy.find("p:parentCategory", NS).get("ref")):
            problem(f"{name}: not in the category Marrowby or one below it")
        explain = reference(policy.get("explainText", ""), "string")
        if not explain or not texts.get(explain):
            problem(f"{name}: no explanation text")
        ids = {e.get("id") for e in policy.iterfind("p:elements/*", NS)}
        shown = reference(policy.get("presentation", ""), "presentation")
        if ids and shown is None:
            problem(f"{name}: elements without a presentation")
        if shown in presentations:
            refs = {c.get("refId") for c in presentations[shown]}
            if refs != ids:
                problem(f"{name}: the presentation shows {sorted(refs)}, the policy has {sorted(ids)}")


def code_values(command):
    output = subprocess.run(command, check=True, capture_output=True, text=True).stdout
    values = {}
    for line in output.splitlines():
        if not line.strip():
            continue
        name, kind, low, high = line.rstrip("\r").split("\t")
        values[name] = (kind, int(low), int(high))
    if not values:
        problem("the program's table printed nothing")
    return values


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--admx", required=True)
    parser.add_argument("--adml", required=True)
    parser.add_argument("--table", nargs=argparse.REMAINDER, required=True)
    args = parser.parse_args()

    admx = ET.parse(args.admx)
    adml = ET.parse(args.adml)
    check_wholeness(admx, adml)
    templates = template_values(admx)
    code = code_values(args.table)
    for name in sorted(set(code) | set(templates), key=str.lower):
        if name not in templates:
            problem(f"{name}: read by the program, missing from the templates")
        elif name not in code:
            problem(f"{name}: in the templates, not read by the program")
        elif code[name] != templates[name]:
            problem(f"{name}: the program reads {code[name]}, the templates write {templates[name]}")

    for text in problems:
        print(text)
    if problems:
        return 1
    print(f"{len(code)} policy values agree")
    return 0


if __name__ == "__main__":
    sys.exit(main())
