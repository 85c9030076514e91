"""Walks the running program's accessibility tree over AT-SPI, page by page.

Every page is reached through its sidebar row's own action, as an assistive tool reaches it.
On each page it lists interactive elements without a name, names and descriptions that hold
markup (other than names the device gave, passed in ATSPI_OUTSIDE_NAMES, one per line), and
interactive elements that cannot be told apart (same role, name and named groups around them).
Exits 1 when anything is found.
"""
import os
import re
import sys
import time

import pyatspi

INTERACTIVE = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON,
               pyatspi.ROLE_SLIDER, pyatspi.ROLE_DIAL, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TEXT,
               pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_PAGE_TAB,
               pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT}
GROUPS = {pyatspi.ROLE_GROUPING, pyatspi.ROLE_PANEL, pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_LIST_ITEM}
MARKUP = re.compile(r'<[a-zA-Z/][^>]*>|&[a-z]+;|&#')
OUTSIDE = [n for n in os.environ.get('ATSPI_OUTSIDE_NAMES', '').split('\n') if n]


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app and 'tessaline' in (app.name or '').lower():
            return app
    sys.exit('the program is not on the accessibility bus')


def without_outside_names(text):
    for name in OUTSIDE:
        text = text.replace(name, '')
    return text


def elements(node, groups=()):
    try:
        state = node.getState()
        if not state.contains(pyatspi.STATE_SHOWING):
            return
        role, name, description = node.getRole(), node.name or '', node.description or ''
    except Exception:
        return
    yield role, name, description, groups, state.contains(pyatspi.STATE_FOCUSABLE)
    inner = groups + ((name,) if role in GROUPS and name else ())
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child:
            yield from elements(child, inner)


def problems(app):
    found, seen = [], {}
    for role, name, description, groups, focusable in elements(app):
        where = ' / '.join(groups + (name or '?',))
        if role in INTERACTIVE and not name.strip():
            found.append(f'unnamed {pyatspi.Role(role)} in {where}')
        if role in INTERACTIVE and not focusable:
            found.append(f'{pyatspi.Role(role)} that cannot take the focus: {where}')
        if MARKUP.search(without_outside_names(name)) or MARKUP.search(without_outside_names(description)):
            found.append(f'markup in {where}: {description!r}')
        if role in INTERACTIVE and name:
            seen[(role, groups, name)] = seen.get((role, groups, name), 0) + 1
    found += [f'{n} alike: {" / ".join(g + (name,))}' for (role, g, name), n in seen.items() if n > 1]
    return found


def sidebar_rows(app):
    rows = []

    def find(node):
        try:
            if node.getRole() == pyatspi.ROLE_LIST_ITEM and node.parent.getRole() == pyatspi.ROLE_LIST:
                rows.append(node)
        except Exception:
            return
        for i in range(node.childCount):
            child = node.getChildAtIndex(i)
            if child:
                find(child)

    find(app)
    first = rows[0].parent if rows else None
    return [r for r in rows if r.parent == first]


def main():
    app = application()
    failures = 0
    for row in sidebar_rows(app):
        try:
            actions = row.queryAction()
        except NotImplementedError:
            continue
        if not row.getState().contains(pyatspi.STATE_SELECTABLE) or actions.nActions == 0:
            continue
        page = row.name
        actions.doAction(0)
        time.sleep(2.5)
        start = time.time()
        found = problems(app)
        print(f'{page}: {len(found)} problems, read in {time.time() - start:.2f} s')
        for line in found[:20]:
            print('   ', line)
        failures += len(found)
    sys.exit(1 if failures else 0)


main()
