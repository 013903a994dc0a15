"""Checks generated property hook files: each must parse, and its module level
must hold only the two imports and the class, so that importing it runs no
statement of a configuration. Each statement of execute must be the call the
module builds, with the formula as its one value argument:
self.<a>.set(Parameter.Property.<p>, <value>) or self.<a>.set_result(<value>),
where a clamped <value> is self.calculate(<formula>, <min>, <max>).
Usage: check_hooks.py FILE...; prints one line per bad file and exits 1 when
there is one."""
import ast
import sys


def is_self_attribute(node):
    return isinstance(node, ast.Attribute) and isinstance(node.value, ast.Name) \
        and node.value.id == 'self'


def positional(call, count):
    return len(call.args) == count and not call.keywords \
        and not any(isinstance(a, ast.Starred) for a in call.args)


def execute_fault(statement):
    """What is wrong with one statement of execute, or None."""
    if isinstance(statement, ast.Pass):
        return None
    call = statement.value if isinstance(statement, ast.Expr) else None
    if not isinstance(call, ast.Call) or not isinstance(call.func, ast.Attribute) \
            or not is_self_attribute(call.func.value):
        return 'not a call on a hook attribute'
    if call.func.attr == 'set':
        target = call.args[0] if call.args else None
        if not positional(call, 2) or not isinstance(target, ast.Attribute) \
                or ast.unparse(target.value) != 'Parameter.Property':
            return 'set() without exactly a property and one value'
    elif call.func.attr != 'set_result' or not positional(call, 1):
        return 'not set() or set_result() of one value'
    value = call.args[-1]
    if isinstance(value, ast.Call) and ast.unparse(value.func) == 'self.calculate' \
            and not positional(value, 3):
        return 'calculate() without exactly a formula and two limits'
    return None

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
        continue
    execute = tree.body[2].body[2]
    faults = [(s.lineno, execute_fault(s)) for s in execute.body if execute_fault(s)]
    if execute.name != 'execute' or faults:
        print('%s: execute: %s' % (path, faults or 'misplaced'))
        bad += 1
print('%d hook files checked, %d bad' % (len(sys.argv) - 1, bad))
sys.exit(1 if bad else 0)
