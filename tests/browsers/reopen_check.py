"""Opens cleaned browser profiles with the real browsers again.

Usage: reopen_check.py SCRATCH PRISTINE CLEANED
SCRATCH (under build/) is emptied and receives the copies the browsers open;
PRISTINE is tests/data/browsers (the control); CLEANED holds one folder per
test case with chromium/User Data and firefox/<profile> inside, and a file
boxes naming the boxes that ran on them. Each profile is opened with the test
extension loaded; the extension's page and the stored-data site's page
(served again at its own origin) report what they find stored. Nothing
outside SCRATCH is written. Prints one line per case and browser and ends
with "N passed, N failed"; the exit status is 1 when anything failed.
"""
import concurrent.futures
import fcntl
import glob
import json
import os
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import drive  # noqa: E402
from make_profiles import (CHROMIUM_NETWORK, EXTENSION, FIREFOX_EXT_UUID, SITE_PORT,  # noqa: E402
                           TOKENS, chromium_extension_id, is_sqlite)


class Failed(Exception):
    pass


# The list of twProbe() (tests/data/browsers/extension/stores.js) that holds
# each store's token, for the site and the extension alike. sessionStorage is
# not among them: a new start opens new tabs. Nor is the extension's worker,
# whose token is in its script, not its address: it must be registered.
STORES = {"COOKIE": "cookie", "LOCALSTORAGE": "localStorage", "INDEXEDDB": "indexedDB",
          "IDB_BLOB": "blobs", "CACHE": "caches", "SW_CACHE": "caches",
          "SERVICEWORKER": "serviceWorker", "OPFS": "opfs", "BUCKET": "buckets"}


def lost(found, prefix):
    """The stores whose token (prefix + key) the probe did not find."""
    return [key for key, store in STORES.items() if prefix + key in TOKENS and not any(
        TOKENS[prefix + key] in item for item in found.get(store) or [])]


def judge_site(found, prefix, boxes):
    """What the site's page found, against what the case's boxes leave: after
    Cookies nothing at all, otherwise each token in its store. Returns a
    word for the report; raises Failed."""
    if "Cookies" in boxes:
        left = {store: items for store, items in found.items() if items}
        if left:
            raise Failed("after Cookies the site still finds %s" % json.dumps(left))
        return "site: nothing"
    gone = lost(found, prefix)
    if gone:
        raise Failed("the site lost %s; it finds %s" % (", ".join(gone), json.dumps(found)))
    return "site: everything"


def judge_extension(found, prefix):
    """The extension finds its own data, store by store, whatever the boxes."""
    gone = [key for key in lost(found, prefix + "EXT_") if key != "SERVICEWORKER"]
    if prefix + "EXT_SERVICEWORKER" in TOKENS and not found.get("serviceWorker"):
        gone.append("SERVICEWORKER")
    if gone:
        raise Failed("the extension lost %s; it finds %s" % (", ".join(gone), json.dumps(found)))
    return "extension: its data"


SITE = {}  # the stored-data site's page for each browser, served by main()


def sqlite(db, sql):
    done = subprocess.run(["sqlite3", "-readonly", db, sql], capture_output=True, text=True)
    if done.returncode:
        raise Failed("%s: %s" % (os.path.basename(db), done.stderr.strip()))
    return done.stdout.strip()


def sound_databases(root):
    """Every SQLite file under root passes PRAGMA integrity_check."""
    for folder, _, files in os.walk(root):
        for name in files:
            db = os.path.join(folder, name)
            if name.endswith(("-wal", "-shm", "-journal")) or os.path.islink(db) \
                    or not is_sqlite(db):
                continue
            result = sqlite(db, "PRAGMA integrity_check;")
            if result != "ok":
                raise Failed("%s: integrity_check says %s" % (os.path.relpath(db, root),
                                                                result[:80]))


def chromium_bookmarks(path):
    """The URLs in a Bookmarks file, or None when there is none."""
    if not os.path.exists(path):
        return None
    with open(path) as f:
        roots = json.load(f)["roots"]
    urls, todo = [], list(roots.values())
    while todo:
        node = todo.pop()
        if isinstance(node, dict):
            if node.get("type") == "url":
                urls.append(node["url"])
            todo.extend(node.get("children", []))
    return sorted(urls)


def linux_layout(profile):
    """Puts a chromium profile back in the Linux layout: Windows keeps these
    files in the profile's Network folder, Linux chromium looks for them in
    the profile itself (and would start empty ones there)."""
    network = os.path.join(profile, "Network")
    for item in CHROMIUM_NETWORK:
        if os.path.exists(os.path.join(network, item)):
            os.replace(os.path.join(network, item), os.path.join(profile, item))


def check_chromium(user_data, scratch, env, control, boxes):
    """Opens each profile of a User Data folder; returns what it saw."""
    copy = os.path.join(scratch, "User Data")
    shutil.copytree(user_data, copy, symlinks=True)
    # The extension is loaded from a copy: chromium may write into an
    # unpacked extension's folder.
    extension = os.path.join(scratch, "extension")
    shutil.copytree(EXTENSION, extension)
    profiles = sorted(name for name in os.listdir(copy)
                      if os.path.isfile(os.path.join(copy, name, "Preferences")))
    if not profiles:
        raise Failed("no profile folder with Preferences")
    # A profile folder that lost its Preferences would be passed over above.
    lost = sorted(name for name in os.listdir(copy)
                  if (name == "Default" or name.startswith("Profile ")) and name not in profiles)
    if lost:
        raise Failed("no Preferences in %s" % ", ".join(lost))
    seen = []
    for name in profiles:
        profile = os.path.join(copy, name)
        linux_layout(profile)
        sound_databases(profile)
        # A mark in the copy's Preferences: chromium keeps keys it does not
        # know, and loses them only if it throws the file away.
        prefs = os.path.join(profile, "Preferences")
        with open(prefs) as f:
            settings = json.load(f)
        settings["tidewisp_reopen_check"] = True
        with open(prefs, "w") as f:
            json.dump(settings, f)
        before = chromium_bookmarks(os.path.join(profile, "Bookmarks"))
        if control and not any(TOKENS["CHROMIUM_BOOKMARKED"] in u for u in before or []):
            raise Failed("the control has lost its bookmark")
        history = os.path.join(profile, "History")
        had_history = os.path.exists(history)
        if had_history:
            version = int(sqlite(history, "SELECT value FROM meta WHERE key = 'version';"))
            pinned = history_rows(history, before or [])

        with open(os.path.join(scratch, "chromium.log"), "a") as log:
            browser = drive.Chromium(copy, log, env, profile_dir=name, extensions=[extension])
            try:
                browser.attach()
                browser.navigate("chrome://bookmarks", "typed")
                tree = browser.evaluate("chrome.bookmarks.getTree()")
                browser.navigate("chrome-extension://%s/page.html"
                                 % chromium_extension_id(extension), "typed")
                ext_found = browser.evaluate("twProbe()")
                browser.navigate(SITE["chromium"], "typed")
                site_found = browser.evaluate("twProbe()")
            finally:
                code = browser.close()
        if code:
            raise Failed("%s: chromium exited with %s" % (name, code))
        listed = chromium_bookmarks_from_tree(tree)
        if sorted(listed) != (before or []):
            raise Failed("%s: chromium lists bookmarks %s, the file held %s"
                         % (name, listed, before or []))
        after = chromium_bookmarks(os.path.join(profile, "Bookmarks"))
        if before is not None and after != before:
            raise Failed("%s: Bookmarks changed from %s to %s" % (name, before, after))
        with open(prefs) as f:
            if not json.load(f).get("tidewisp_reopen_check"):
                raise Failed("%s: chromium started its Preferences afresh" % name)
        if had_history:
            if not os.path.exists(history):
                raise Failed("%s: History is gone" % name)
            # A newer chromium may migrate History up, never down. A razed
            # (found corrupt and emptied) History would lose even the rows of
            # bookmarked addresses, which chromium never expires.
            now = int(sqlite(history, "SELECT value FROM meta WHERE key = 'version';"))
            if now < version:
                raise Failed("%s: History version %s became %s" % (name, version, now))
            lost = set(pinned) - set(history_rows(history, pinned))
            if lost:
                raise Failed("%s: History lost the bookmarked %s" % (name, sorted(lost)))
        sound_databases(profile)
        seen.append("%s: %d bookmark(s), %s, %s" % (
            name, len(listed), judge_site(site_found, "CHROMIUM_SITE_", boxes),
            judge_extension(ext_found, "CHROMIUM_")))
    return "; ".join(seen)


def history_rows(history, urls):
    """Those of urls that have a row in History's urls table."""
    if not urls:
        return []
    listed = ", ".join("'%s'" % u.replace("'", "''") for u in urls)
    return sqlite(history, "SELECT url FROM urls WHERE url IN (%s);" % listed).splitlines()


def chromium_bookmarks_from_tree(tree):
    urls, todo = [], list(tree)
    while todo:
        node = todo.pop()
        if "url" in node:
            urls.append(node["url"])
        todo.extend(node.get("children", []))
    return urls


def firefox_bookmarks(places):
    if not os.path.exists(places):
        return None
    rows = sqlite(places, "SELECT p.url FROM moz_bookmarks b JOIN moz_places p ON p.id = b.fk "
                          "WHERE b.type = 1 ORDER BY p.url;")
    return rows.splitlines()


def check_firefox(profile_in, scratch, env, control, boxes):
    profile = os.path.join(scratch, os.path.basename(profile_in))
    shutil.copytree(profile_in, profile, symlinks=True)
    if os.path.exists(os.path.join(profile, "parent.lock")):  # Windows' name
        os.replace(os.path.join(profile, "parent.lock"), os.path.join(profile, ".parentlock"))
    sound_databases(profile)
    places = os.path.join(profile, "places.sqlite")
    if not os.path.exists(places):
        raise Failed("places.sqlite is gone")
    before = firefox_bookmarks(places)
    if control and not any(TOKENS["FIREFOX_BOOKMARKED"] in u for u in before):
        raise Failed("the control has lost its bookmark")
    with open(os.path.join(scratch, "firefox.log"), "a") as log:
        browser = drive.Firefox(profile, log, env)
        try:
            # databaseStatus: 0 opened as it was, 1 created afresh, 2 found
            # corrupt and replaced, 3 upgraded.
            status, listed = browser.chrome("""
                const {PlacesUtils} = ChromeUtils.importESModule(
                    "resource://gre/modules/PlacesUtils.sys.mjs");
                const urls = [];
                const walk = node => {
                  if (node.uri) urls.push(node.uri);
                  (node.children || []).forEach(walk);
                };
                walk(await PlacesUtils.promiseBookmarksTree());
                return [PlacesUtils.history.databaseStatus, urls.sort()];
                """)
            browser.navigate("moz-extension://%s/page.html" % FIREFOX_EXT_UUID)
            ext_found = browser.evaluate("twProbe()")
            browser.navigate(SITE["firefox"])
            site_found = browser.evaluate("twProbe()")
        finally:
            code = browser.close()
    if status not in (0, 3):
        raise Failed("Firefox did not open places.sqlite as it was (databaseStatus %s)" % status)
    if sorted(listed) != sorted(before):
        raise Failed("Firefox lists bookmarks %s, places.sqlite held %s" % (listed, before))
    spoilt = [name for name in os.listdir(profile)
              if name.endswith((".corrupt", ".bak-rebuild")) or ".sqlite.corrupt" in name]
    if spoilt:
        raise Failed("Firefox set aside %s" % ", ".join(spoilt))
    if code:
        raise Failed("firefox-esr exited with %s" % code)
    sound_databases(profile)
    return "%d bookmark(s), %s, %s" % (len(listed), judge_site(site_found, "FIREFOX_SITE_", boxes),
                                       judge_extension(ext_found, "FIREFOX_"))


def run_one(job):
    case, browser, path, scratch, env, control, boxes = job
    os.makedirs(scratch)
    try:
        what = (check_chromium if browser == "chromium" else check_firefox)(
            path, scratch, env, control, boxes)
        shutil.rmtree(scratch)  # a failed case's copy and logs stay, to be looked at
        return True, "PASS %s %s: opened (%s)" % (case, browser, what)
    except Exception as e:  # any failure of one case is reported, not raised
        return False, "FAIL %s %s: %s: %s" % (case, browser, type(e).__name__, e)


def jobs_for(case, folder, scratch, env, control, boxes):
    jobs = []
    user_data = os.path.join(folder, "chromium", "User Data")
    if os.path.isdir(user_data):
        jobs.append((case, "chromium", user_data, os.path.join(scratch, case, "chromium"),
                     env, control, boxes))
    for n, profile in enumerate(sorted(glob.glob(os.path.join(folder, "firefox", "*")))):
        if os.path.isdir(profile):
            jobs.append((case, "firefox", profile, os.path.join(scratch, case, "firefox%d" % n),
                         env, control, boxes))
    return jobs


def boxes_of(folder):
    """The boxes the engine's test ran on a case ("Cookies", "Cache"...: one
    a line, in C:\\tw-cleaned\\<case>\\boxes), or None when it did not say."""
    try:
        with open(os.path.join(folder, "boxes")) as f:
            return [line.strip() for line in f if line.strip()]
    except FileNotFoundError:
        return None


def main():
    scratch, pristine, cleaned = (os.path.abspath(a) for a in sys.argv[1:4])
    # One run at a time: a second would empty SCRATCH under the first.
    lock = open(scratch + ".lock", "w")
    fcntl.flock(lock, fcntl.LOCK_EX)
    if os.path.exists(scratch):
        shutil.rmtree(scratch)
    env = drive.scratch_env(os.path.join(scratch, "env"))
    # The stored-data site again, at the origin the profiles name; a port
    # taken by something else stops the check.
    try:
        sites = [drive.StoreSite(SITE_PORT[b]) for b in ("chromium", "firefox")]
    except OSError as e:
        print("FAIL %s\n0 passed, 1 failed" % e)
        return 1
    SITE.update(chromium=sites[0].page, firefox=sites[1].page)
    jobs = jobs_for("pristine", pristine, os.path.join(scratch, "cases"), env, True, [])
    cases = sorted(os.listdir(cleaned)) if os.path.isdir(cleaned) else []
    passed = failed = 0
    if not cases:
        # Nothing to open means the cleaning tests left nothing: not a pass.
        print("FAIL no cleaned profiles in %s" % cleaned)
        failed += 1
    for case in cases:
        boxes = boxes_of(os.path.join(cleaned, case))
        found = boxes is not None and jobs_for(case, os.path.join(cleaned, case),
                                               os.path.join(scratch, "cases"), env, False, boxes)
        if boxes is None:
            print("FAIL %s: no file boxes says which boxes ran" % case)
        elif not found:
            print("FAIL %s: neither chromium/User Data nor firefox/<profile>" % case)
        jobs += found or [None]
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        for result in pool.map(lambda j: j and run_one(j), jobs):
            if result is None:
                failed += 1
                continue
            ok, line = result
            print(line, flush=True)
            passed, failed = passed + ok, failed + (not ok)
    for site in sites:
        site.close()
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
