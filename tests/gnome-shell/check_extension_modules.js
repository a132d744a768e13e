// gjs -m check_extension_modules.js LEGACY_DIR ESM_DIR
// The legacy variant's files must parse as plain scripts; the ES module variant must load as
// modules, its shell imports resolved against stand-ins, and export the extension class.
import GLib from 'gi://GLib';
import System from 'system';

const [legacyDir, esmDir] = ARGV;
const read = path => new TextDecoder().decode(GLib.file_get_contents(path)[1]);
const write = (path, text) => GLib.file_set_contents(path, text);

for (const name of ['extension.js', 'topbar.js']) {
    const text = read(`${legacyDir}/${name}`);
    // A syntax error or a stray import/export throws here; nothing runs.
    new Function(text);
}

const standIns = {
    'gi://Clutter': 'export default {};',
    'gi://St': 'export default {};',
    'resource:///org/gnome/shell/ui/main.js': 'export const panel = {}; export const layoutManager = {};',
    'resource:///org/gnome/shell/ui/panelMenu.js': 'export class Button {}',
    'resource:///org/gnome/shell/ui/popupMenu.js': 'export class PopupSeparatorMenuItem {}',
    'resource:///org/gnome/shell/extensions/extension.js':
        'export class Extension { constructor(metadata) { this.metadata = metadata; } }',
};
const tmp = GLib.dir_make_tmp('tessel-extension-XXXXXX');
let source = read(`${esmDir}/extension.js`);
for (const [specifier, body] of Object.entries(standIns)) {
    const file = `stand-in-${specifier.replace(/.*\//, '')}`.replace(/(\.js)?$/, '.js');
    write(`${tmp}/${file}`, body);
    source = source.replaceAll(`'${specifier}'`, `'./${file}'`);
}
const unresolved = source.match(/'(gi|resource):\/\/[^']*'/g)?.filter(s => !/gi:\/\/(Gio|GLib)'/.test(s));
if (unresolved?.length) {
    printerr(`imports without a stand-in: ${unresolved.join(' ')}`);
    System.exit(1);
}
write(`${tmp}/extension.js`, source);
write(`${tmp}/topbar.js`, read(`${esmDir}/topbar.js`));
write(`${tmp}/metadata.json`, read(`${esmDir}/metadata.json`));

let status = 1;
try {
    const extension = await import(`file://${tmp}/extension.js`);
    const base = await import(`file://${tmp}/stand-in-extension.js`);
    const shared = await import(`file://${tmp}/topbar.js`);
    const Extension = extension.default;
    if (typeof Extension !== 'function' || !(Extension.prototype instanceof base.Extension))
        throw new Error('the default export is no Extension class');
    for (const method of ['enable', 'disable']) {
        if (typeof Extension.prototype[method] !== 'function')
            throw new Error(`the extension has no ${method}()`);
    }
    if (typeof shared.TopBar !== 'function')
        throw new Error('topbar.js exports no TopBar');
    const metadata = JSON.parse(read(`${tmp}/metadata.json`));
    if (!metadata['shell-version'].every(v => Number(v) >= 45))
        throw new Error('the ES module variant claims a shell before 45');
    status = 0;
} catch (e) {
    printerr(`${e}\n${e.stack ?? ''}`);
}
GLib.spawn_command_line_sync(`rm -rf ${GLib.shell_quote(tmp)}`);
System.exit(status);
