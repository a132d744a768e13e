// The top-bar button of tessel-calendar, shared by the extension's two module systems: the
// program's menu bar text, live over D-Bus; one click toggles the panel under the button, a right
// click opens the item's menu. The button shows only while the program runs: it is never started
// from here.

const BUS_NAME = 'io.github.TesselCalendar';
const OBJECT_PATH = '/io/github/TesselCalendar/TopBar';
const INTERFACE_NAME = 'io.github.TesselCalendar.TopBar';
// Held while the button is there, so the program shows no status item of its own beside it.
const EXTENSION_NAME = 'io.github.TesselCalendar.GnomeShell';
// The panel's window title; the preferences carry another.
const PANEL_TITLE = '栖格日历';
// The gap under the bar and the margin kept from the screen's sides, as the program keeps them.
const PANEL_GAP = 6;
const SCREEN_MARGIN = 8;

// `shell` holds the modules the entry file imported: Clutter, Gio, GLib, St, Main, PanelMenu,
// PopupMenu.
export var TopBar = class TopBar {
    constructor(shell) {
        const {Clutter, Gio, St, Main, PanelMenu, PopupMenu} = shell;
        this._shell = shell;
        this._proxy = null;
        this._propertiesId = 0;
        this._programPid = 0;
        this._cancellable = null;

        this._button = new PanelMenu.Button(0.5, '栖格日历', false);
        this._label = new St.Label({text: '', y_align: Clutter.ActorAlign.CENTER});
        this._button.add_child(this._label);
        this._button.visible = false;
        this._button.connect('event', (actor, event) => this._onEvent(event));
        const menu = this._button.menu;
        menu.addAction('显示日历面板', () => this._togglePanel());
        menu.addMenuItem(new PopupMenu.PopupSeparatorMenuItem());
        menu.addAction('偏好设置…', () => this._call('ShowPreferences'));
        menu.addMenuItem(new PopupMenu.PopupSeparatorMenuItem());
        menu.addAction('退出栖格日历', () => this._call('Quit'));
        Main.panel.addToStatusArea('tessel-calendar', this._button, 0, 'right');

        this._ownerId = Gio.bus_own_name(Gio.BusType.SESSION, EXTENSION_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null, null);
        this._watchId = Gio.bus_watch_name(Gio.BusType.SESSION, BUS_NAME,
            Gio.BusNameWatcherFlags.NONE,
            (connection, name, owner) => this._onProgramAppeared(connection, owner),
            () => this._onProgramVanished());
        this._mapId = global.window_manager.connect('map',
            (wm, actor) => this._onMap(actor.meta_window));
    }

    destroy() {
        const {Gio} = this._shell;
        global.window_manager.disconnect(this._mapId);
        Gio.bus_unwatch_name(this._watchId);
        Gio.bus_unown_name(this._ownerId);
        this._onProgramVanished();
        this._button.destroy();
    }

    _onProgramAppeared(connection, owner) {
        const {Gio, GLib} = this._shell;
        this._onProgramVanished();
        const cancellable = new Gio.Cancellable();
        this._cancellable = cancellable;
        // The unique name: calls reach this process and never start another.
        Gio.DBusProxy.new(connection, Gio.DBusProxyFlags.DO_NOT_AUTO_START, null, owner,
            OBJECT_PATH, INTERFACE_NAME, cancellable, (source, result) => {
                let proxy;
                try {
                    proxy = Gio.DBusProxy.new_finish(result);
                } catch (e) {
                    if (!cancellable.is_cancelled())
                        logError(e, 'tessel-calendar: no top-bar interface');
                    return;
                }
                this._proxy = proxy;
                this._propertiesId = proxy.connect('g-properties-changed', () => this._sync());
                this._sync();
            });
        connection.call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
            'GetConnectionUnixProcessID', new GLib.Variant('(s)', [owner]),
            new GLib.VariantType('(u)'), Gio.DBusCallFlags.NONE, -1, cancellable,
            (source, result) => {
                try {
                    [this._programPid] = source.call_finish(result).deepUnpack();
                } catch (e) {
                    if (!cancellable.is_cancelled())
                        logError(e, 'tessel-calendar: no process id');
                }
            });
    }

    _onProgramVanished() {
        this._cancellable?.cancel();
        this._cancellable = null;
        if (this._proxy)
            this._proxy.disconnect(this._propertiesId);
        this._proxy = null;
        this._programPid = 0;
        this._sync();
    }

    _sync() {
        const title = this._proxy?.get_cached_property('Title')?.unpack() ?? '';
        const open = this._proxy?.get_cached_property('PanelVisible')?.unpack() ?? false;
        this._label.text = title;
        this._button.visible = title !== '';
        if (!this._button.visible)
            this._button.menu.close();
        if (open)
            this._button.add_style_pseudo_class('checked');
        else
            this._button.remove_style_pseudo_class('checked');
    }

    _onEvent(event) {
        const {Clutter} = this._shell;
        const type = event.type();
        const primary = type === Clutter.EventType.TOUCH_BEGIN ||
            (type === Clutter.EventType.BUTTON_PRESS &&
             event.get_button() === Clutter.BUTTON_PRIMARY);
        // Other buttons open the menu, as the button does by itself.
        if (!primary)
            return Clutter.EVENT_PROPAGATE;
        this._button.menu.close();
        this._togglePanel();
        return Clutter.EVENT_STOP;
    }

    _buttonBox() {
        const [x, y] = this._button.get_transformed_position();
        const [width, height] = this._button.get_transformed_size();
        return {x: Math.round(x), y: Math.round(y), width: Math.round(width),
            height: Math.round(height)};
    }

    _togglePanel() {
        const {GLib} = this._shell;
        const box = this._buttonBox();
        this._call('TogglePanel',
            new GLib.Variant('(iiii)', [box.x, box.y, box.width, box.height]));
    }

    _call(method, parameters = null) {
        const {Gio} = this._shell;
        this._proxy?.call(method, parameters, Gio.DBusCallFlags.NO_AUTO_START, -1, null,
            (proxy, result) => {
                try {
                    proxy.call_finish(result);
                } catch (e) {
                    logError(e, `tessel-calendar: ${method}`);
                }
            });
    }

    // A Wayland client cannot place its own window: the panel goes under the button here,
    // whichever way it was opened. The program's process and the title tell it from the
    // preferences; at 'map' both are known.
    _onMap(window) {
        if (!this._button.visible || !window || this._programPid === 0 ||
            window.get_pid() !== this._programPid || window.get_title() !== PANEL_TITLE)
            return;
        const {Main} = this._shell;
        const box = this._buttonBox();
        const area = Main.layoutManager.getWorkAreaForMonitor(
            Main.layoutManager.findIndexForActor(this._button));
        const frame = window.get_frame_rect();
        const left = area.x + SCREEN_MARGIN;
        const right = area.x + area.width - SCREEN_MARGIN - frame.width;
        const x = Math.max(left, Math.min(Math.round(box.x + box.width / 2 - frame.width / 2),
            right));
        const y = Math.max(box.y + box.height, area.y) + PANEL_GAP;
        window.move_frame(true, x, y);
        window.make_above();
    }
};
