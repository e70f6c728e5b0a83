"""Drives Debian's chromium and firefox-esr, headless, for the browser test data.

Standard library only. Used by make-profiles.sh (which makes the profiles) and
reopen-check.sh (which opens cleaned ones again). The browsers are driven
through their own remote protocols, so that every visit, typed mark and
bookmark in the data is written by the browser itself:
- chromium: the DevTools protocol over --remote-debugging-pipe (fd 3 in, fd 4
  out, NUL-terminated JSON), which needs no port and no websocket code;
- firefox-esr: Marionette on a free port of 127.0.0.1 (length-prefixed JSON).
"""
import http.server
import json
import os
import re
import select
import socket
import struct
import subprocess
import threading
import time
import urllib.parse
import zlib


def png(rgb):
    """A 16x16 PNG of one colour: a real icon for the browsers to store."""
    raw = b"".join(b"\0" + bytes(rgb) * 16 for _ in range(16))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 16, 16, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


class Site:
    """Pages on 127.0.0.1 for one browser, named by that browser's tokens.

    /p/<name>.html  a page titled <name>, never stored in the HTTP cache, that
                    sets the persistent cookie and links its icon and the style
    /favicon.ico?for=<name>
                    the icon of page <name>, never cached either. Firefox
                    stores a no-store icon only when its path is the root
                    /favicon.ico (FaviconLoader.sys.mjs), so the page's name
                    rides in the query.
    /s/<name>.css   the one cacheable body (max-age a year), carrying the
                    cached-body token
    /d/<name>       a file to download (never cached)
    Only the style sheet may be cached, so that a page's address reaches the
    cache box's files only through that style's own address. A fixed port
    keeps the addresses, and the cache's file names made from them, the same
    from one making of the data to the next.
    """

    def __init__(self, cookie_name, cookie_value, style_name, body_token, port=0):
        site = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def do_GET(self):
                with site.served:
                    site.paths.add(self.path)
                    site.served.notify_all()
                path = self.path.split("?")[0]
                if path.startswith("/p/") and path.endswith(".html"):
                    name = path[3:-5]
                    body = ("<!doctype html><html><head><title>%s</title>"
                            '<link rel="icon" href="/favicon.ico?for=%s">'
                            '<link rel="stylesheet" href="/s/%s.css"></head>'
                            "<body><h1>Tidewisp test page</h1></body></html>"
                            % (name, name, site.style_name)).encode()
                    self.reply(body, "text/html", "no-store", cookie=True)
                elif path.startswith("/d/"):
                    # An attachment named after its address: Chromium saves it
                    # under this name.
                    self.reply(b"Tidewisp test download\n", "application/octet-stream",
                               "no-store", disposition='attachment; filename="%s.bin"'
                               % path[3:])
                elif path == "/favicon.ico":
                    self.reply(png((40, 120, 200)), "image/png", "no-store")
                elif path == "/s/%s.css" % site.style_name:
                    body = ("/* %s */\nbody { color: #123456; }\n" % site.body_token).encode()
                    self.reply(body, "text/css", "public, max-age=31536000")
                else:
                    self.send_error(404)

            def reply(self, body, kind, cache, cookie=False, disposition=None):
                self.send_response(200)
                self.send_header("Content-Type", kind)
                if disposition:
                    self.send_header("Content-Disposition", disposition)
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Cache-Control", cache)
                self.send_header("Last-Modified", "Mon, 01 Jan 2024 00:00:00 GMT")
                if cookie:
                    expires = time.strftime("%a, %d %b %Y %H:%M:%S GMT",
                                            time.gmtime(time.time() + 365 * 86400))
                    self.send_header("Set-Cookie", "%s=%s; Expires=%s; Path=/; SameSite=Lax"
                                     % (site.cookie_name, site.cookie_value, expires))
                self.end_headers()
                self.wfile.write(body)

        self.cookie_name, self.cookie_value = cookie_name, cookie_value
        self.style_name, self.body_token = style_name, body_token
        self.paths, self.served = set(), threading.Condition()
        try:
            self.server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
        except OSError:  # taken: any free port will do, only names change
            self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.base = "http://127.0.0.1:%d" % self.server.server_address[1]

    def wait_icon(self, name, timeout=30):
        """Waits until the browser has fetched page <name>'s icon, then gives
        it a moment to store it."""
        with self.served:
            if not self.served.wait_for(lambda: "/favicon.ico?for=" + name in self.paths,
                                        timeout):
                raise TimeoutError("the browser never fetched the icon of " + name)
        time.sleep(0.5)

    def page(self, name):
        return "%s/p/%s.html" % (self.base, name)

    def close(self):
        self.server.shutdown()
        self.server.server_close()


SITE_FILES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "site")
# The script that stores and probes, shared with the test extension's page.
STORES_JS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "browsers",
                         "extension", "stores.js")


class StoreSite:
    """The stored-data site: its own loopback host (127.0.0.2), so that
    nothing else the browsers visit shares its origin, on a fixed port, so
    that a later start of the browser meets the same origin again. A taken
    port is an error: another origin would find nothing and prove nothing.

    /site.html      the page (no-store), whose script stores and probes
    /site.js        its script (the extension's stores.js), cacheable for a
                    year: the HTTP cache's entry
    /sw.js?token=T&cache=C
                    the service worker, with T and C written into it; no-store,
                    so that only the worker's own stores keep it
    /bounce?to=URL  a redirect that sets a cookie on its way (a bounce)
    """

    HOST = "127.0.0.2"

    def __init__(self, port):
        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def do_GET(self):
                path, _, query = self.path.partition("?")
                args = dict(a.partition("=")[::2] for a in query.split("&") if a)
                if path == "/site.html":
                    self.reply(read("site.html"), "text/html", "no-store")
                elif path == "/site.js":
                    self.reply(read(STORES_JS), "text/javascript", "public, max-age=31536000")
                elif path == "/sw.js" and all(re.fullmatch(r"[a-z0-9-]+", args.get(k, ""))
                                              for k in ("token", "cache")):
                    self.reply(read("sw.js") % args, "text/javascript", "no-store")
                elif path == "/bounce" and args.get("to", "").startswith("http%3A%2F%2F"):
                    self.send_response(302)
                    self.send_header("Location", urllib.parse.unquote(args["to"]))
                    self.send_header("Set-Cookie", "bounced=1; Max-Age=31536000; Path=/")
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                else:
                    self.send_error(404)

            def reply(self, text, kind, cache):
                body = text.encode()
                self.send_response(200)
                self.send_header("Content-Type", kind + "; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Cache-Control", cache)
                self.send_header("Last-Modified", "Mon, 01 Jan 2024 00:00:00 GMT")
                self.end_headers()
                self.wfile.write(body)

        def read(name):
            with open(os.path.join(SITE_FILES, name)) as f:
                return f.read()

        try:
            self.server = http.server.ThreadingHTTPServer((self.HOST, port), Handler)
        except OSError as e:
            raise OSError("cannot serve the stored-data site on %s:%d (%s): another run of "
                          "these scripts, or another program, holds it" % (self.HOST, port, e))
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.base = "http://%s:%d" % (self.HOST, port)
        self.page = self.base + "/site.html"

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def scratch_env(base):
    """An environment whose HOME, XDG folders and TMPDIR lie under base, so
    the browsers write nothing outside it but the profile they are given."""
    env = dict(os.environ)
    for key, sub in (("HOME", "home"), ("XDG_CONFIG_HOME", "home/.config"),
                     ("XDG_CACHE_HOME", "home/.cache"), ("XDG_DATA_HOME", "home/.local/share"),
                     ("TMPDIR", "tmp")):
        env[key] = os.path.join(os.path.abspath(base), sub)
        os.makedirs(env[key], exist_ok=True)
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    return env


CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                  "--no-default-browser-check", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync", "--password-store=basic",
                  "--use-mock-keychain"]


class Chromium:
    """A headless chromium on a user-data-dir, driven over the DevTools pipe."""

    def __init__(self, user_data, log, env=None, profile_dir=None, extensions=()):
        to_browser_r, self._w = os.pipe()
        self._r, from_browser_w = os.pipe()

        # Python's own descriptors are not inherited (PEP 446); only the two
        # that dup2 makes at 3 and 4 reach chromium.
        def plumb():
            os.dup2(to_browser_r, 3)
            os.dup2(from_browser_w, 4)

        self.proc = subprocess.Popen(
            ["chromium", *CHROMIUM_FLAGS, "--remote-debugging-pipe",
             "--user-data-dir=" + user_data,
             *(["--profile-directory=" + profile_dir] if profile_dir else []),
             *(["--load-extension=" + ",".join(extensions)] if extensions else []),
             "about:blank"],
            stdin=subprocess.DEVNULL, stdout=log, stderr=log, env=env,
            close_fds=False, preexec_fn=plumb)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._buf = b""
        self._id = 0
        self.events = []
        self.session = None

    def _read_message(self, deadline):
        while b"\0" not in self._buf:
            left = deadline - time.time()
            if left <= 0 or not select.select([self._r], [], [], left)[0]:
                raise TimeoutError("chromium did not answer")
            chunk = os.read(self._r, 65536)
            if not chunk:
                raise EOFError("chromium closed its DevTools pipe")
            self._buf += chunk
        msg, self._buf = self._buf.split(b"\0", 1)
        return json.loads(msg)

    def call(self, method, params=None, session=True, timeout=30):
        self._id += 1
        msg = {"id": self._id, "method": method, "params": params or {}}
        if session and self.session:
            msg["sessionId"] = self.session
        os.write(self._w, json.dumps(msg).encode() + b"\0")
        deadline = time.time() + timeout
        while True:
            reply = self._read_message(deadline)
            if reply.get("id") == self._id:
                if "error" in reply:
                    raise RuntimeError("%s: %s" % (method, reply["error"]))
                return reply.get("result", {})
            self.events.append(reply)

    def wait_event(self, method, timeout=30):
        deadline = time.time() + timeout
        while True:
            for i, e in enumerate(self.events):
                if e.get("method") == method:
                    return self.events.pop(i)
            self.events.append(self._read_message(deadline))

    def attach(self):
        targets = self.call("Target.getTargets", session=False)["targetInfos"]
        page = next(t for t in targets if t["type"] == "page")
        self.session = self.call("Target.attachToTarget",
                                 {"targetId": page["targetId"], "flatten": True},
                                 session=False)["sessionId"]
        self.call("Page.enable")

    def navigate(self, url, transition):
        self.events.clear()
        self.call("Page.navigate", {"url": url, "transitionType": transition})
        self.wait_event("Page.loadEventFired")

    def click(self, x=10, y=10):
        """A real mouse click: the page gets a user activation, as from a user."""
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y,
                                                   "button": "left", "clickCount": 1})

    def download(self, url, folder):
        """Navigates to an attachment and waits until chromium has saved it
        in folder under the name the server gave it."""
        self.call("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": folder,
                                                  "eventsEnabled": True}, session=False)
        self.events.clear()
        self.call("Page.navigate", {"url": url, "transitionType": "link"})
        while True:
            state = self.wait_event("Browser.downloadProgress")["params"]["state"]
            if state != "inProgress":
                if state != "completed":
                    raise RuntimeError("download of %s: %s" % (url, state))
                return

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression,
                                                "awaitPromise": True, "returnByValue": True})
        if "exceptionDetails" in result:
            raise RuntimeError("%s: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def close(self, timeout=30):
        try:
            self.call("Browser.close", session=False)
        except (EOFError, OSError):
            pass
        try:
            self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        os.close(self._w)
        os.close(self._r)
        return self.proc.returncode


class Firefox:
    """A headless firefox-esr on a profile folder, driven over Marionette."""

    def __init__(self, profile, log, env=None):
        # Port 0: Marionette picks a free port and writes it to
        # MarionetteActivePort, so runs beside other Firefoxes never meet on
        # 2828. user.js carries the pref; forget_marionette() removes it again.
        # remote.prefs.recommended off: Marionette would otherwise set some
        # hundred automation prefs, which Firefox then keeps in prefs.js.
        with open(os.path.join(profile, "user.js"), "w") as f:
            f.write('user_pref("marionette.port", 0);\n'
                    'user_pref("remote.prefs.recommended", false);\n')
        active = os.path.join(profile, "MarionetteActivePort")
        if os.path.exists(active):
            os.remove(active)
        self.profile = profile
        self.proc = subprocess.Popen(
            ["firefox-esr", "--headless", "--no-remote", "--marionette",
             "--remote-allow-system-access", "--profile", profile],
            stdin=subprocess.DEVNULL, stdout=log, stderr=log, env=env)
        deadline = time.time() + 90
        while True:
            try:
                with open(active) as f:
                    port = int(f.read().strip())
                self.sock = socket.create_connection(("127.0.0.1", port), timeout=60)
                break
            except (OSError, ValueError):
                if time.time() > deadline or self.proc.poll() is not None:
                    self.proc.kill()
                    raise RuntimeError("firefox-esr started no Marionette server")
                time.sleep(0.3)
        self._buf = b""
        self._id = 0
        self._read()  # the server's greeting
        self.call("WebDriver:NewSession", {"capabilities": {}})

    def _read(self):
        while b":" not in self._buf:
            self._buf += self._recv()
        size, rest = self._buf.split(b":", 1)
        while len(rest) < int(size):
            rest += self._recv()
        self._buf = rest[int(size):]
        return json.loads(rest[:int(size)])

    def _recv(self):
        chunk = self.sock.recv(65536)
        if not chunk:
            raise EOFError("firefox closed Marionette")
        return chunk

    def call(self, command, params=None):
        self._id += 1
        data = json.dumps([0, self._id, command, params or {}]).encode()
        self.sock.sendall(str(len(data)).encode() + b":" + data)
        while True:
            reply = self._read()
            if reply[0] == 1 and reply[1] == self._id:
                if reply[2]:
                    raise RuntimeError("%s: %s" % (command, reply[2]))
                return reply[3]

    def chrome(self, script, args=()):
        """Runs an async script in the browser's chrome; the script ends by
        calling resolve(value) (the last argument)."""
        self.call("Marionette:SetContext", {"value": "chrome"})
        body = ("const resolve = arguments[arguments.length - 1];"
                "(async () => {%s})().then(resolve, e => resolve({error: String(e)}));" % script)
        value = self.call("WebDriver:ExecuteAsyncScript",
                          {"script": body, "args": list(args), "scriptTimeout": 30000})["value"]
        if isinstance(value, dict) and "error" in value:
            raise RuntimeError(value["error"])
        return value

    def navigate(self, url, transition=None):
        """Loads url in the tab; Firefox records it as a link (the transition
        chromium takes has no equivalent here)."""
        self.call("Marionette:SetContext", {"value": "content"})
        self.call("WebDriver:Navigate", {"url": url})

    def evaluate(self, expression, args=()):
        """The value of a promise expression in the current page, which sees
        the page's own functions; arguments[i] are args."""
        self.call("Marionette:SetContext", {"value": "content"})
        body = ("const resolve = arguments[arguments.length - 1];"
                "Promise.resolve().then(() => %s).then(resolve, e => resolve({error: String(e)}));"
                % expression)
        value = self.call("WebDriver:ExecuteAsyncScript",
                          {"script": body, "args": list(args), "scriptTimeout": 30000})["value"]
        if isinstance(value, dict) and "error" in value:
            raise RuntimeError(value["error"])
        return value

    def click(self):
        """A real mouse click on the page: it gets a user activation."""
        self.call("Marionette:SetContext", {"value": "content"})
        self.call("WebDriver:PerformActions", {"actions": [{
            "type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
            "actions": [{"type": "pointerMove", "x": 10, "y": 10},
                        {"type": "pointerDown", "button": 0},
                        {"type": "pointerUp", "button": 0}]}]})
        self.call("WebDriver:ReleaseActions")

    def close(self, timeout=60):
        try:
            self.call("Marionette:Quit", {"flags": ["eAttemptQuit"]})
        except (EOFError, OSError, RuntimeError):
            pass
        self.sock.close()
        try:
            self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        forget_marionette(self.profile)
        return self.proc.returncode


def forget_marionette(profile):
    """Removes what driving left in a closed profile: user.js, the prefs it
    copied into prefs.js, and the port file."""
    for name in ("user.js", "MarionetteActivePort"):
        if os.path.exists(os.path.join(profile, name)):
            os.remove(os.path.join(profile, name))
    prefs = os.path.join(profile, "prefs.js")
    if os.path.exists(prefs):
        with open(prefs) as f:
            lines = [line for line in f
                     if '"marionette.' not in line and '"remote.prefs.' not in line]
        with open(prefs, "w") as f:
            f.writelines(lines)
