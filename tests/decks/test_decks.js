// The FMOD Studio deck files, loaded as FMOD Studio loads them but against a
// stand-in for its `studio` object, and checked against the parameter table
// of the built library as the test host reads it (describe_plugin): the
// plug-in registers under its description's name, every widget is a known
// kind in a well-formed layout, every binding names a real parameter of the
// right kind (drop-down lists for choices, dials for the rest), and every
// parameter is on the deck exactly once, with a display name.
//
// Usage: node test_decks.js DESCRIBE_PLUGIN LIBRARY DECK [LIBRARY DECK ...]
'use strict';

const assert = require('node:assert/strict');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');

// An enumeration of the stand-in: reading a name it lacks throws, so that a
// misspelt widget or layout type fails here instead of in FMOD Studio.
function enumeration(kind, names) {
  const values = {};
  for (const n of names) values[n] = kind + '.' + n;
  return new Proxy(Object.freeze(values), {
    get(target, key) {
      if (typeof key === 'string' && !(key in target)) throw new Error(`studio.ui.${kind}.${key} does not exist`);
      return target[key];
    },
  });
}

const WIDGETS = ['Layout', 'Label', 'Dial', 'Fader', 'Dropdown', 'Button', 'ButtonGroup',
                 'NumberBox', 'Pixmap', 'InputMeter', 'OutputMeter', 'DataDrop'];
const LAYOUTS = ['HBoxLayout', 'VBoxLayout', 'GridLayout'];

function standIn(registrations) {
  return {
    ui: {
      deckWidgetType: enumeration('deckWidgetType', WIDGETS),
      layoutType: enumeration('layoutType', LAYOUTS),
      alignment: enumeration('alignment', ['AlignLeft', 'AlignRight', 'AlignTop', 'AlignBottom',
                                           'AlignHCenter', 'AlignVCenter', 'AlignCenter']),
    },
    plugins: {
      registerPluginDescription(name, description) {
        registrations.push({ name, description });
      },
    },
  };
}

// Every widget of the deck with its parent layout, depth first.
function widgets(node, parent, out) {
  out.push({ node, parent });
  if (node.deckWidgetType === 'deckWidgetType.Layout') {
    for (const item of node.items) widgets(item, node, out);
  }
  return out;
}

function checkDeck(table, deckFile) {
  const registrations = [];
  const source = fs.readFileSync(deckFile, 'utf8');
  vm.runInNewContext(source, { studio: standIn(registrations), __dirname: path.dirname(deckFile) },
                     { filename: deckFile });
  assert.equal(registrations.length, 1, 'registers exactly one plug-in');
  const { name, description } = registrations[0];
  assert.equal(name, table.name, 'registered under the description name');
  assert.equal(typeof description.companyName, 'string');
  assert.equal(typeof description.productName, 'string');

  const byName = new Map(table.parameters.map((p) => [p.name, p]));
  for (const [key, value] of Object.entries(description.parameters)) {
    assert.ok(byName.has(key), `display name for a parameter the library lacks: ${key}`);
    assert.ok(typeof value.displayName === 'string' && value.displayName.length > 0,
              `${key}: empty display name`);
  }

  const bound = new Map();
  let groups = 0;
  for (const { node, parent } of widgets(description.deckUi, null, [])) {
    const kind = node.deckWidgetType;
    assert.ok(typeof kind === 'string' && kind.startsWith('deckWidgetType.'), `unknown widget ${kind}`);
    if (kind === 'deckWidgetType.Layout') {
      assert.ok(LAYOUTS.includes(String(node.layout).replace('layoutType.', '')), 'layout type');
      assert.ok(Array.isArray(node.items) && node.items.length > 0, 'a layout with items');
      if (node.isFramed) ++groups;
    }
    if (kind === 'deckWidgetType.Label') {
      assert.ok(typeof node.text === 'string' && node.text.length > 0, 'a label with text');
    }
    if (parent && parent.layout === 'layoutType.GridLayout') {
      assert.ok(Number.isInteger(node.row) && node.row >= 0, 'grid row');
      assert.ok(Number.isInteger(node.column) && node.column >= 0, 'grid column');
    }
    if (node.binding === undefined) continue;
    const p = byName.get(node.binding);
    assert.ok(p, `binding to a parameter the library lacks: ${node.binding}`);
    assert.ok(!bound.has(node.binding), `${node.binding} is on the deck twice`);
    bound.set(node.binding, node);
    if (p.type === 'int') {
      assert.equal(kind, 'deckWidgetType.Dropdown', `${p.name} (a choice of ${p.valueNames.length}) as a drop-down list`);
    } else {
      assert.equal(kind, 'deckWidgetType.Dial', `${p.name} as a dial`);
    }
  }

  // Grid cells hold one widget each.
  for (const { node } of widgets(description.deckUi, null, [])) {
    if (node.layout !== 'layoutType.GridLayout') continue;
    const cells = new Set(node.items.map((i) => `${i.row},${i.column}`));
    assert.equal(cells.size, node.items.length, 'two widgets in one grid cell');
  }

  for (const p of table.parameters) {
    assert.ok(bound.has(p.name), `${p.name} is not on the deck`);
    assert.ok(description.parameters[p.name], `${p.name} has no display name`);
  }
  return { parameters: table.parameters.length, groups };
}

function main(argv) {
  const [describe, ...pairs] = argv;
  assert.ok(describe && pairs.length >= 2 && pairs.length % 2 === 0,
            'usage: node test_decks.js DESCRIBE_PLUGIN LIBRARY DECK [LIBRARY DECK ...]');
  let failed = 0;
  for (let i = 0; i < pairs.length; i += 2) {
    const [library, deck] = [pairs[i], pairs[i + 1]];
    try {
      const table = JSON.parse(execFileSync(describe, [library], { encoding: 'utf8' }));
      const r = checkDeck(table, deck);
      console.log(`${table.name}: ${path.basename(deck)}: ${r.parameters} parameters in ${r.groups} groups, each once`);
    } catch (e) {
      ++failed;
      console.error(`FAIL ${path.basename(deck)}: ${e.message}`);
    }
  }
  process.exit(failed ? 1 : 0);
}

main(process.argv.slice(2));
