// GNOME Shell 43 and 44: the module system before ES modules.
const {Clutter, Gio, GLib, St} = imports.gi;
const Main = imports.ui.main;
const PanelMenu = imports.ui.panelMenu;
const PopupMenu = imports.ui.popupMenu;
const Me = imports.misc.extensionUtils.getCurrentExtension();

let topBar = null;

function init() {
}

function enable() {
    topBar = new Me.imports.topbar.TopBar({Clutter, Gio, GLib, St, Main, PanelMenu, PopupMenu});
}

function disable() {
    topBar.destroy();
    topBar = null;
}
