"""Prints the test ids of a unittest module, one per line ("Class.test_method"), without
importing it, so that CMake can give every whole-program test a ctest entry of its own and
ctest can run them side by side.

    list_tests.py FILE.py

A class's tests are its own test_ methods and those of its bases in the same module; a
test name assigned None in a subclass is not run there (as unittest does). A class that
shares a setUpClass among its tests is one entry ("Class"): its tests must run together.

A test method (or class) decorated with harness.also_under_codepage(1252, ...) runs once more
under each of those system code pages, and one decorated with harness.also_at_dpi(144, ...)
once more at each of those display scales: its line carries them after the id, code pages as
numbers, scales with "dpi" before them ("Class.test_method 1252 dpi144")."""

import ast
import sys


def test_ids(source):
    tree = ast.parse(source)
    classes = {node.name: node for node in tree.body if isinstance(node, ast.ClassDef)}
    memo = {}

    def is_test_case(name):
        for base in classes[name].bases:
            if isinstance(base, ast.Attribute) and base.attr == "TestCase":
                return True
            if isinstance(base, ast.Name) and (base.id == "TestCase" or base.id in classes and is_test_case(base.id)):
                return True
        return False

    def shares_setup(name):
        node = classes[name]
        if any(isinstance(i, ast.FunctionDef) and i.name == "setUpClass" for i in node.body):
            return True
        return any(isinstance(b, ast.Name) and b.id in classes and shares_setup(b.id) for b in node.bases)

    def tests_of(name):
        """{test name: (line, extra runs)} of a class."""
        if name in memo:
            return memo[name]
        node = classes[name]
        tests = {}
        for base in node.bases:
            if isinstance(base, ast.Name) and base.id in classes:
                tests.update(tests_of(base.id))
        for item in node.body:
            if isinstance(item, ast.FunctionDef) and item.name.startswith("test"):
                tests[item.name] = (item.lineno, extra_runs(item) | extra_runs(node))
            elif isinstance(item, ast.Assign):
                for target in item.targets:
                    if isinstance(target, ast.Name) and target.id.startswith("test"):
                        tests.pop(target.id, None)
        memo[name] = tests
        return tests

    def line(test_id, runs):
        return " ".join([test_id] + sorted(runs, key=lambda run: (run.startswith("dpi"), len(run), run)))

    ids = []
    for name in classes:
        if not is_test_case(name):
            continue
        tests = tests_of(name)
        if tests and shares_setup(name):
            ids.append(line(name, set().union(*(pages for _, pages in tests.values()))))
        else:
            ids += [line("%s.%s" % (name, test), tests[test][1]) for test in sorted(tests, key=tests.get)]
    return ids


# The decorators that add runs, and how each names its runs on a test's line.
EXTRA_RUNS = {"also_under_codepage": "%d", "also_at_dpi": "dpi%d"}


def extra_runs(node):
    """The further runs ("1252", "dpi144") the decorators of a function or class ask for."""
    runs = set()
    for decorator in node.decorator_list:
        if not isinstance(decorator, ast.Call):
            continue
        func = decorator.func
        called = func.attr if isinstance(func, ast.Attribute) else func.id if isinstance(func, ast.Name) else ""
        if called in EXTRA_RUNS:
            runs |= {EXTRA_RUNS[called] % arg.value for arg in decorator.args
                     if isinstance(arg, ast.Constant) and isinstance(arg.value, int)}
    return runs


if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as f:
        print("\n".join(test_ids(f.read())))
