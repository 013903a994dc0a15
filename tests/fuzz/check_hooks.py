"""Checks generated property hook files: each must parse, and its module level
must hold only the two imports and the class, so that importing it runs no
statement of a configuration. Usage: check_hooks.py FILE...; prints one line
per bad file and exits 1 when there is one."""
import ast
import sys

bad = 0
for path in sys.argv[1:]:
    with open(path, 'rb') as f:
        source = f.read()
    try:
        tree = ast.parse(source, path)
    except (SyntaxError, ValueError) as e:
        print('%s: does not parse: %s' % (path, e))
        bad += 1
        continue
    kinds = [type(node).__name__ for node in tree.body]
    if kinds != ['ImportFrom', 'ImportFrom', 'ClassDef'] or tree.body[2].name != 'PropertyHook' \
            or [type(n).__name__ for n in tree.body[2].body] != ['FunctionDef'] * 5:
        print('%s: module level holds %s' % (path, kinds))
        bad += 1
print('%d hook files checked, %d bad' % (len(sys.argv) - 1, bad))
sys.exit(1 if bad else 0)
