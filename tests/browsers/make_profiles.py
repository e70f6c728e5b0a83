"""Makes the real chromium and firefox-esr profiles that the engine's tests clean.

Usage: make_profiles.py WORK OUT
WORK is a scratch folder (emptied), OUT receives chromium/User Data,
firefox/<profile> and tokens.txt (its extension/ folder, checked in, stays).
See docs/browsers.md for what each token marks and where the browsers keep it.
"""
import base64
import fnmatch
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import time
import urllib.parse
import zipfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import drive  # noqa: E402
import search  # noqa: E402

# Fixed, so that re-made data keeps the names the tests search for. Each
# string occurs only where its box's data lives (see docs/browsers.md).
TOKENS = {
    "CHROMIUM_TYPED": "twc-typed-5q8z",
    "CHROMIUM_VISITED": "twc-visited-3k7m",
    "CHROMIUM_BOOKMARKED": "twc-bookmarked-9d2x",
    "CHROMIUM_BOOKMARK_TITLE": "twc-booktitle-4h6w",
    "CHROMIUM_COOKIE_NAME": "twc-cookie-8r1v",
    "CHROMIUM_CACHED_URL": "twc-style-7p3j",
    "CHROMIUM_CACHED_BODY": "twc-cachedbody-2n5t",
    "CHROMIUM_DOWNLOAD": "twc-download-6t2k",
    "CHROMIUM_SITE_COOKIE": "twc-sitecookie-4m8q",
    "CHROMIUM_SITE_LOCALSTORAGE": "twc-local-9v3b",
    "CHROMIUM_SITE_SESSIONSTORAGE": "twc-session-2j6x",
    "CHROMIUM_SITE_INDEXEDDB": "twc-idb-7c5n",
    "CHROMIUM_SITE_IDB_BLOB": "twc-idbblob-5w8r",
    "CHROMIUM_SITE_CACHE": "twc-cacheapi-3r8d",
    "CHROMIUM_SITE_SERVICEWORKER": "twc-worker-5h1y",
    "CHROMIUM_SITE_SW_CACHE": "twc-workercache-8e4s",
    "CHROMIUM_SITE_OPFS": "twc-opfs-1g7w",
    "CHROMIUM_SITE_BUCKET": "twc-bucket-6p2f",
    "CHROMIUM_EXT_LOCALSTORAGE": "twx-c-local-3n9k",
    "CHROMIUM_EXT_INDEXEDDB": "twx-c-idb-7w2m",
    "CHROMIUM_EXT_SESSIONSTORAGE": "twx-c-session-4k7d",
    "CHROMIUM_EXT_IDB_BLOB": "twx-c-idbblob-8m1s",
    "CHROMIUM_EXT_CACHE": "twx-c-cacheapi-2p9t",
    # Written in the extension's sw.js, which its manifest registers.
    "CHROMIUM_EXT_SERVICEWORKER": "twx-c-worker-6n3q",
    "CHROMIUM_EXT_SW_CACHE": "twx-c-workercache-2v8h",
    "CHROMIUM_EXT_BUCKET": "twx-c-bucket-5f3j",
    # The user name of a save-password prompt the user dismissed on the site.
    "CHROMIUM_LOGIN_USER": "twc-loginuser-8d3f",
    "FIREFOX_PROFILE": "tw3k9q7d.default-esr",
    "FIREFOX_TYPED": "twf-typed-6b1c",
    "FIREFOX_INPUT": "twf-input-8s4e",
    "FIREFOX_VISITED": "twf-visited-2w9h",
    "FIREFOX_BOOKMARKED": "twf-bookmarked-5m3u",
    "FIREFOX_BOOKMARK_TITLE": "twf-booktitle-7k2a",
    "FIREFOX_DOWNLOAD": "twf-download-3q9v",
    "FIREFOX_COOKIE_NAME": "twf-cookie-1x6p",
    "FIREFOX_COOKIE_VALUE": "twf-cookievalue-4d8n",
    "FIREFOX_CACHED_URL": "twf-style-9f5g",
    "FIREFOX_CACHED_BODY": "twf-cachedbody-3j7r",
    "FIREFOX_SITE_COOKIE": "twf-sitecookie-2x7d",
    "FIREFOX_SITE_LOCALSTORAGE": "twf-local-5k1r",
    "FIREFOX_SITE_SESSIONSTORAGE": "twf-session-8b3v",
    "FIREFOX_SITE_INDEXEDDB": "twf-idb-4q6h",
    "FIREFOX_SITE_IDB_BLOB": "twf-idbblob-7h2n",
    "FIREFOX_SITE_CACHE": "twf-cacheapi-9m2c",
    "FIREFOX_SITE_SERVICEWORKER": "twf-worker-1t5z",
    "FIREFOX_SITE_SW_CACHE": "twf-workercache-6d8j",
    "FIREFOX_SITE_OPFS": "twf-opfs-3s9e",
    "FIREFOX_SITE_TEMPORARY": "twf-temporary-3c6w",
    "FIREFOX_EXT_LOCALSTORAGE": "twx-f-local-8r4g",
    "FIREFOX_EXT_INDEXEDDB": "twx-f-idb-2y6u",
    "FIREFOX_EXT_SESSIONSTORAGE": "twx-f-session-6q1z",
    "FIREFOX_EXT_IDB_BLOB": "twx-f-idbblob-1d5k",
    "FIREFOX_EXT_CACHE": "twx-f-cacheapi-9a4x",
}
T = TOKENS
ENV = None  # the browsers' scratch HOME and TMPDIR, set by main()

# The stored-data site (drive.StoreSite): one fixed port per browser, so
# that the reopen check meets the origin the data names.
SITE_PORT = {"chromium": 38527, "firefox": 38528}
# The extension that keeps data of its own (checked in beside the data, for
# the reopen check to load again). While the profiles are made it is loaded
# from a copy in /tmp, so that the path chromium records in Preferences names
# nothing of the checkout; Firefox's profile and the XPI it installs from are
# made there too, as extensions.json records their paths. The fixed ports
# keep two runs from meeting there.
EXTENSION = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                          "..", "data", "browsers", "extension"))
MAKE_TMP = "/tmp/tidewisp-profiles"
EXTENSION_COPY = os.path.join(MAKE_TMP, "extension")
# Firefox gives each add-on a random moz-extension UUID unless this pref
# already names one; a fixed one keeps the origin's folder name the same.
FIREFOX_EXT_UUID = "7d5e2a96-1c4b-4f3e-9a8d-2b6c0e1f4a73"


def manifest(folder):
    with open(os.path.join(folder, "manifest.json")) as f:
        return json.load(f)


def chromium_extension_id(folder):
    """The id chromium derives from the manifest's key: the first 128 bits of
    the SHA-256 of the public key, written with the letters a-p."""
    digest = hashlib.sha256(base64.b64decode(manifest(folder)["key"])).hexdigest()[:32]
    return "".join(chr(ord("a") + int(c, 16)) for c in digest)


FIREFOX_EXT_ID = manifest(EXTENSION)["browser_specific_settings"]["gecko"]["id"]


def site_tokens(prefix):
    """The tokens twStore() of the site's page takes, by store."""
    return {key[len(prefix):]: value for key, value in TOKENS.items()
            if key.startswith(prefix)}

# Where each token may be found, and must be: the tests rely on each string
# living only where its box's data lives. A new browser version that keeps
# one elsewhere stops the script, for a developer to look at.
C, F = "chromium/User Data/", "firefox/" + T["FIREFOX_PROFILE"] + "/"
HISTORY = [C + "Default/History", C + "Default/Favicons", C + "segmentation_platform/ukm_db"]
WHERE = {
    "CHROMIUM_TYPED": HISTORY + [C + "Default/Top Sites"],
    "CHROMIUM_VISITED": HISTORY,
    "CHROMIUM_BOOKMARKED": HISTORY + [C + "Default/Bookmarks", C + "Default/Bookmarks.bak"],
    "CHROMIUM_BOOKMARK_TITLE": [C + "Default/Bookmarks"],
    "CHROMIUM_COOKIE_NAME": [C + "Default/Network/Cookies"],
    "CHROMIUM_LOGIN_USER": [C + "Default/Login Data"],
    "CHROMIUM_CACHED_URL": [C + "Default/Cache/Cache_Data/*_0"],
    "CHROMIUM_CACHED_BODY": [C + "Default/Cache/Cache_Data/*_0"],
    "FIREFOX_TYPED": [F + "places.sqlite", F + "favicons.sqlite"],
    "FIREFOX_INPUT": [F + "places.sqlite"],
    "FIREFOX_VISITED": [F + "places.sqlite", F + "favicons.sqlite"],
    "FIREFOX_BOOKMARKED": [F + "places.sqlite", F + "favicons.sqlite"],
    "FIREFOX_BOOKMARK_TITLE": [F + "places.sqlite"],
    "FIREFOX_DOWNLOAD": [F + "places.sqlite"],
    "FIREFOX_COOKIE_NAME": [F + "cookies.sqlite"],
    "FIREFOX_COOKIE_VALUE": [F + "cookies.sqlite"],
    "FIREFOX_CACHED_URL": [F + "cache2/entries/*"],
    "FIREFOX_CACHED_BODY": [F + "cache2/entries/*"],
}
# The download and the stored-data site. A LevelDB's entries are in its log
# (NNNNNN.log) or, once written out, its tables (NNNNNN.ldb): "0*" is either.
HOST = drive.StoreSite.HOST
D, S = C + "Default/", F + "storage/default/http+++%s+%d/" % (HOST, SITE_PORT["firefox"])
SW, CS = D + "Service Worker/", D + "Service Worker/CacheStorage/*/"
FX = F + "storage/default/moz-extension+++%s/" % FIREFOX_EXT_UUID
CX = D + "IndexedDB/chrome-extension_%s_0.indexeddb." % chromium_extension_id(EXTENSION)
# The XPI Firefox keeps holds the extension's files, Chromium's worker among them.
XPI = F + "extensions/%s.xpi" % FIREFOX_EXT_ID
WHERE.update({
    "CHROMIUM_DOWNLOAD": [D + "History", D + "shared_proto_db/0*"],
    "CHROMIUM_SITE_COOKIE": [D + "Network/Cookies"],
    "CHROMIUM_SITE_LOCALSTORAGE": [D + "Local Storage/leveldb/0*"],
    "CHROMIUM_SITE_SESSIONSTORAGE": [D + "Session Storage/0*"],
    "CHROMIUM_SITE_INDEXEDDB": [D + "IndexedDB/http_%s_%d.indexeddb.leveldb/0*"
                                % (HOST, SITE_PORT["chromium"])],
    "CHROMIUM_SITE_IDB_BLOB": [D + "IndexedDB/http_%s_%d.indexeddb.blob/*/*/*"
                               % (HOST, SITE_PORT["chromium"])],
    "CHROMIUM_SITE_CACHE": [CS + "index.txt", CS + "*/*_0"],
    "CHROMIUM_SITE_SERVICEWORKER": [SW + "Database/0*", SW + "ScriptCache/*_0"],
    "CHROMIUM_SITE_SW_CACHE": [SW + "Database/0*", SW + "ScriptCache/*_0", CS + "index.txt",
                               CS + "*/*_0"],
    "CHROMIUM_SITE_OPFS": [D + "File System/*/t/Paths/0*", D + "File System/*/t/00/*"],
    "CHROMIUM_SITE_BUCKET": [D + "WebStorage/QuotaManager",
                             D + "WebStorage/*/IndexedDB/indexeddb.leveldb/0*"],
    "CHROMIUM_EXT_LOCALSTORAGE": [D + "Local Storage/leveldb/0*"],
    "CHROMIUM_EXT_INDEXEDDB": [CX + "leveldb/0*"],
    "CHROMIUM_EXT_SESSIONSTORAGE": [D + "Session Storage/0*"],
    "CHROMIUM_EXT_IDB_BLOB": [CX + "blob/*/*/*"],
    "CHROMIUM_EXT_CACHE": [CS + "index.txt", CS + "*/*_0"],
    "CHROMIUM_EXT_SERVICEWORKER": [SW + "ScriptCache/*_0", XPI],
    "CHROMIUM_EXT_SW_CACHE": [SW + "ScriptCache/*_0", CS + "index.txt", CS + "*/*_0", XPI],
    "CHROMIUM_EXT_BUCKET": [D + "WebStorage/QuotaManager",
                            D + "WebStorage/*/IndexedDB/indexeddb.leveldb/0*"],
    "FIREFOX_SITE_COOKIE": [F + "cookies.sqlite"],
    "FIREFOX_SITE_LOCALSTORAGE": [S + "ls/data.sqlite"],
    # Firefox keeps sessionStorage only with the saved tabs, which are dropped.
    "FIREFOX_SITE_SESSIONSTORAGE": [],
    "FIREFOX_SITE_INDEXEDDB": [S + "idb/*.sqlite"],
    "FIREFOX_SITE_IDB_BLOB": [S + "idb/*.files/*"],
    "FIREFOX_SITE_TEMPORARY": [F + "storage/temporary/http+++%s+%d/sdb/*"
                               % (HOST, SITE_PORT["firefox"])],
    "FIREFOX_SITE_CACHE": [S + "cache/caches.sqlite", S + "cache/morgue/*/*.final"],
    "FIREFOX_SITE_SERVICEWORKER": [F + "serviceworker.txt", S + "cache/caches.sqlite",
                                   S + "cache/morgue/*/*.final"],
    "FIREFOX_SITE_SW_CACHE": [F + "serviceworker.txt", S + "cache/caches.sqlite",
                              S + "cache/morgue/*/*.final"],
    "FIREFOX_SITE_OPFS": [S + "fs/metadata.sqlite", S + "fs/*/*"],
    "FIREFOX_EXT_LOCALSTORAGE": [FX + "ls/data.sqlite"],
    "FIREFOX_EXT_INDEXEDDB": [FX + "idb/*.sqlite"],
    "FIREFOX_EXT_SESSIONSTORAGE": [],
    "FIREFOX_EXT_IDB_BLOB": [FX + "idb/*.files/*"],
    "FIREFOX_EXT_CACHE": [FX + "cache/caches.sqlite", FX + "cache/morgue/*/*.final"],
})

# What the browsers must have recorded: (database, query, answer).
FACTS_SQL = [
    (C + "Default/History", "SELECT typed_count > 0 FROM urls WHERE url LIKE '%%%s%%';"
     % T["CHROMIUM_TYPED"], "1"),
    (C + "Default/History", "SELECT typed_count FROM urls WHERE url LIKE '%%%s%%';"
     % T["CHROMIUM_VISITED"], "0"),
    (C + "Default/Favicons", "SELECT count(*) FROM icon_mapping WHERE page_url LIKE '%%%s%%';"
     % T["CHROMIUM_BOOKMARKED"], "1"),
    (C + "Default/Top Sites", "SELECT count(*) FROM top_sites WHERE url LIKE '%%%s%%';"
     % T["CHROMIUM_TYPED"], "1"),
    (F + "places.sqlite", "SELECT typed FROM moz_places WHERE url LIKE '%%%s%%';"
     % T["FIREFOX_TYPED"], "1"),
    (F + "places.sqlite", "SELECT typed FROM moz_places WHERE url LIKE '%%%s%%';"
     % T["FIREFOX_VISITED"], "0"),
    (F + "places.sqlite", "SELECT count(*) FROM moz_inputhistory i JOIN moz_places p "
     "ON p.id = i.place_id WHERE i.input = '%s';" % T["FIREFOX_INPUT"], "1"),
    (F + "places.sqlite", "SELECT count(*) FROM moz_historyvisits v JOIN moz_places p "
     "ON p.id = v.place_id WHERE v.visit_type = 7 AND p.url LIKE '%%%s%%';"
     % T["FIREFOX_DOWNLOAD"], "1"),
    (F + "places.sqlite", "SELECT count(*) FROM moz_bookmarks b JOIN moz_places p "
     "ON p.id = b.fk WHERE b.title = '%s';" % T["FIREFOX_BOOKMARK_TITLE"], "1"),
    (D + "History", "SELECT count(*) FROM downloads WHERE target_path LIKE '%%%s%%' AND "
     "state = 1;" % T["CHROMIUM_DOWNLOAD"], "1"),
    # The site's interaction (the click) and its bounce, which chromium's own
    # history deletion clears, and Firefox's record of the click.
    (D + "DIPS", "SELECT count(*) FROM bounces WHERE site = '%s' AND "
     "first_user_activation_time > 0 AND first_bounce_time > 0;" % HOST, "1"),
    (F + "bounce-tracking-protection.sqlite",
     "SELECT count(*) FROM sites WHERE siteHost = '%s';" % HOST, "1"),
    # Beside the storage access Firefox granted the site, the user's own
    # permission for it, which Cookies leaves.
    (F + "permissions.sqlite", "SELECT group_concat(type) FROM (SELECT type FROM moz_perms "
     "WHERE origin = 'http://%s:%d' ORDER BY type);" % (HOST, SITE_PORT["firefox"]),
     "desktop-notification,storageAccessAPI"),
]
# The per-site records of chromium's Preferences (profile.content_settings.
# exceptions.<type>) that its own clearing takes, one for the stored-data site
# each, with the two the user made that its clearing takes too (see
# docs/browsers.md, "Preferences"): {type: (pattern, setting)}. Headless
# chromium with no network writes none of them (they come from prompts,
# interstitials, Safety Hub, FedCM dialogs, Safe Browsing's servers), so
# they are spliced into the empty "<type>":{} it leaves for every registered
# type, in the shape it writes them. Those it keeps across a start go in before
# the last start, whose close writes them back in its own form; LATE ones after
# the last close: the FedCM ones, which it drops within seconds of any start
# whatever their shape, and those the last start's own work drops (allowing
# the site's notifications ends Safety Hub's notification reviews of it, and
# Safe Browsing and the ad filter purge what has outlived its lifetime).
SITE = "http://%s:%d" % (HOST, SITE_PORT["chromium"])
SECURE_SITE = "https://%s:%d" % (HOST, SITE_PORT["chromium"])
SECURE_HOST = "https://%s:443" % HOST  # certificate and HTTPS-First decisions are per host
SITE_RECORDS = {
    "formfill_metadata": (SITE, {"UserDataFieldFilled": True}),
    "app_banner": (SITE, {SITE + "/manifest.json": {"couldShowBannerEvents": 1.3441e16}}),
    "notification_interactions": (SITE, {"20460": {"display_count": 2, "click_count": 0}}),
    "cookie_controls_metadata": (SITE, {"entry_point_animated": True}),
    "permission_autoblocking_data": (SITE, {"notifications": {"dismiss_count": 1}}),
    "unused_site_permissions": (SITE, {"revoked": ["geolocation"]}),
    "abusive_notification_permissions": (SITE, {"revoked_status": "revoke"}),
    "disruptive_notification_permissions": (SITE, {"revoked_status": "proposed",
                                                   "daily_notification_count": 3}),
    "notification_permission_review": (SITE, {"ignore": True}),
    "file_system_last_picked_directory": (SITE, {"default-id": {"path": "/tmp", "path-type": 0}}),
    "initialized_translations": (SITE, {"source": "en"}),
    "intent_picker_auto_display": (SITE, {"ui_dismissed_counter": 1}),
    "are_suspicious_notifications_allowlisted_by_user": (SITE, {"allowlisted": True}),
    "suspicious_notification_ids": (SITE, {"ids": ["twc-notification"]}),
    "suspicious_notification_show_original": (SITE, {"show_original": True}),
    "suspicious_site_warning_data": (SITE, {"warning_shown": True}),
    "ssl_cert_decisions": (SECURE_HOST, {"cert_exceptions_map": {"-202twc": 1},
                                         "decision_expiration_time": "13442000000000000",
                                         "version": 1}),
    "http_allowed": (SECURE_HOST, {"decision_expiration_time": "13442000000000000"}),
    "https_enforced": (SECURE_HOST, {"enforced": True}),
    "password_protection": (SITE, {"password_on_focus_cache_key": {
        HOST + "/": {"cache_creation_time": 1.7e9, "verdict_proto": "CAE="}}}),
    "safe_browsing_url_check_data": (SITE, {"real_time_url_cache_key": {
        HOST + "/": {"cache_creation_time": 1.7e9, "rt_threat_info_proto": "CAE="}}}),
    "subresource_filter_data": (SITE, {"ActivatedTime": 1.7e9}),
    # An identity provider's sign-in state, what was shared with it, and the
    # user's own choices: third-party sign-in blocked, the provider registered.
    "fedcm_idp_signin": (SECURE_SITE, {"chosen-objects": [
        {"idp-origin": SECURE_SITE, "idp-signin-status": True}]}),
    "fedcm_share": (SECURE_SITE, {"chosen-objects": [
        {"idp-origin": SECURE_SITE, "account-ids": ["twc-account"]}]}),
    "webid_auto_reauthn": (SECURE_SITE, 2),
    "webid_api": (SECURE_SITE, 2),
    "fedcm_idp_registration": (SECURE_SITE, {"chosen-objects": [
        {"idp-urls": [SECURE_SITE + "/fedcm.json"]}]}),
}
LATE = ["fedcm_idp_signin", "fedcm_share", "webid_auto_reauthn", "webid_api",
        "fedcm_idp_registration", "abusive_notification_permissions",
        "disruptive_notification_permissions", "notification_permission_review",
        "password_protection", "subresource_filter_data"]
# Per-site records in chromium's Preferences: (file, content setting, its key
# for the site). The engagement scores and the user's own permission (given
# on the site's page of chrome://settings) chromium writes itself.
FACTS_PREFS = [(D + "Preferences", kind, key) for kind, key in
               [("site_engagement", SITE + ",*"), ("media_engagement", SITE + ",*"),
                ("notifications", SITE + ",*")] +
               [(kind, pattern + ",*") for kind, (pattern, _) in SITE_RECORDS.items()]]

# Big or unrelated to the five boxes, and re-made by the browser when missing.
CHROMIUM_DROP = [
    "Safe Browsing", "component_crx_cache", "extensions_crx_cache", "Crashpad",
    "OptimizationGuideModelsManifest", "Default/optimization_guide_hint_cache_store",
    "GrShaderCache", "ShaderCache", "GraphiteDawnCache", "GPUPersistentCache",
    # Two shader caches of 0.5 MB each, mostly zeros; GPUCache stays as the
    # one example of the GPU caches the cache box empties.
    "Default/DawnGraphiteCache", "Default/DawnWebGPUCache",
    "Variations", "NativeMessagingHosts", "Default/Segmentation Platform",
    # Tabs saved for the next start are the user's open work, which the
    # engine leaves; they would hold every test address and blur the search
    # for erased ones.
    "Default/Sessions", "Default/Sessions_Encrypted", "Default/Current Session",
    "Default/Current Tabs", "Default/Last Session", "Default/Last Tabs",
]
# Windows keeps these in Default/Network; Linux in Default itself.
CHROMIUM_NETWORK = ["Cookies", "Cookies-journal", "Network Persistent State",
                    "Reporting and NEL", "Reporting and NEL-journal", "TransportSecurity",
                    "Trust Tokens", "Trust Tokens-journal", "SCT Auditing Pending Reports"]
FIREFOX_DROP = [
    "lock", "startupCache", "safebrowsing", "crashes", "minidumps", "datareporting",
    "security_state", "storage/permanent", "sessionstore.jsonlz4", "sessionstore-backups",
    "sessionCheckpoints.json", "screenshot.png",
    # The certificate, key and password stores: nothing of the five boxes,
    # 0.9 MB, and made afresh (empty) by Firefox when missing.
    "cert9.db", "key4.db", "logins.db", "pkcs11.txt",
]


def log_file(work, name):
    return open(os.path.join(work, name + ".log"), "a")


# Facts of the made data beside the tokens, filled in as it is made.
FACTS = {
    # Every page's icon is /favicon.ico?for=<page token>, never cached.
    "ICON_URL_PATH": "/favicon.ico?for=",
    # The stored-data site's host, as the browsers write it, and reversed,
    # as Firefox keys some tables (moz_places.rev_host; webappsstore's
    # originKey starts with it): a file holding either names the site.
    "SITE_HOST": drive.StoreSite.HOST,
    "SITE_REVERSED_HOST": drive.StoreSite.HOST[::-1] + ".",
}


def wait_for(ready, what, timeout=30):
    deadline = time.time() + timeout
    while time.time() < deadline:
        try:
            if ready():
                return
        except OSError:
            pass
        time.sleep(0.2)
    raise TimeoutError("no %s after %d s" % (what, timeout))


def wait_file(path, text):
    """Waits until the file at path holds text."""
    def holds():
        with open(path, "rb") as f:
            return text.encode() in f.read()
    wait_for(holds, "%s in %s" % (text, path))


def make_chromium(work):
    site = drive.Site(T["CHROMIUM_COOKIE_NAME"], "v", T["CHROMIUM_CACHED_URL"],
                      T["CHROMIUM_CACHED_BODY"], port=38517)
    FACTS["CHROMIUM_ORIGIN"] = site.base
    store = drive.StoreSite(SITE_PORT["chromium"])
    FACTS["CHROMIUM_SITE_ORIGIN"] = store.base
    FACTS["CHROMIUM_SITE_FOLDER"] = "http_%s_%d" % (store.HOST, SITE_PORT["chromium"])
    ext_id = chromium_extension_id(EXTENSION)
    FACTS["CHROMIUM_EXT_ID"] = ext_id
    shutil.copytree(EXTENSION, EXTENSION_COPY)
    data = os.path.join(work, "chromium")
    log = log_file(work, "chromium")
    try:
        browser = drive.Chromium(data, log, ENV)
        try:
            browser.attach()
            # The transition is what the address bar or a link would give.
            browser.navigate(site.page(T["CHROMIUM_TYPED"]), "typed")
            site.wait_icon(T["CHROMIUM_TYPED"])
            browser.navigate(site.page(T["CHROMIUM_VISITED"]), "link")
            site.wait_icon(T["CHROMIUM_VISITED"])
            browser.navigate(site.page(T["CHROMIUM_BOOKMARKED"]), "link")
            site.wait_icon(T["CHROMIUM_BOOKMARKED"])
            # The bookmarks manager page has chrome.bookmarks: the bookmark
            # is made and saved by chromium's own bookmark model, named as
            # the star button names it, after the page's title.
            browser.navigate("chrome://bookmarks", "typed")
            browser.evaluate("chrome.bookmarks.create({parentId: '1', title: %r, url: %r})"
                             % (T["CHROMIUM_BOOKMARKED"], site.page(T["CHROMIUM_BOOKMARKED"])))
            # The model writes Bookmarks a few seconds after a change.
            wait_file(os.path.join(data, "Default", "Bookmarks"), T["CHROMIUM_BOOKMARKED"])
            # A download, saved in /tmp (so that its recorded path names no
            # folder of the checkout) and removed again.
            browser.download(site.base + "/d/" + T["CHROMIUM_DOWNLOAD"], "/tmp")
            os.remove("/tmp/%s.bin" % T["CHROMIUM_DOWNLOAD"])
        finally:
            browser.close()
        # A second start renames the bookmark (its first save after loading
        # keeps the file it loaded as Bookmarks.bak) and opens a new tab.
        browser = drive.Chromium(data, log, ENV)
        try:
            browser.attach()
            browser.navigate("chrome://bookmarks", "typed")
            browser.evaluate("chrome.bookmarks.search({url: %r}).then(found => "
                             "chrome.bookmarks.update(found[0].id, {title: %r}))"
                             % (site.page(T["CHROMIUM_BOOKMARKED"]), T["CHROMIUM_BOOKMARK_TITLE"]))
            wait_file(os.path.join(data, "Default", "Bookmarks"), T["CHROMIUM_BOOKMARK_TITLE"])
            wait_file(os.path.join(data, "Default", "Bookmarks.bak"), T["CHROMIUM_BOOKMARKED"])
            # The new tab page asks for the most visited sites, which fills
            # Top Sites (from the typed page's segment).
            browser.navigate("chrome://newtab", "typed")
            wait_file(os.path.join(data, "Default", "Top Sites"), T["CHROMIUM_TYPED"])
        finally:
            browser.close()
        # A plain screenshot start, as the project's notes describe it: the
        # typed page again, typed from the command line.
        subprocess.run(["chromium", *drive.CHROMIUM_FLAGS, "--user-data-dir=" + data,
                        "--screenshot=" + os.path.join(work, "chromium.png"),
                        site.page(T["CHROMIUM_TYPED"])],
                       stdin=subprocess.DEVNULL, stdout=log, stderr=log, env=ENV, timeout=120,
                       check=True)
        # Last, the stored-data site and the extension's own page. Chromium
        # drops the sessionStorage of the tabs it does not restore at its
        # next start (a plain start or a screenshot alike), so this start
        # is the last.
        prefs = os.path.join(data, "Default", "Preferences")
        splice_records(prefs, {k: v for k, v in SITE_RECORDS.items() if k not in LATE})
        browser = drive.Chromium(data, log, ENV, extensions=[EXTENSION_COPY])
        try:
            browser.attach()
            # The user allows the site's notifications on its page of the
            # site settings, as a user does.
            browser.navigate("chrome://settings/content/siteDetails?site="
                             + urllib.parse.quote(store.base, safe=""), "typed")
            browser.evaluate("chrome.send('setOriginPermissions', [%s, 'notifications', "
                             "'allow'])" % json.dumps(store.base))
            store_site(browser, store, site, "CHROMIUM_SITE_")
            store_extension(browser, "chrome-extension://%s/page.html" % ext_id, "CHROMIUM_EXT_")
            # DIPS keeps the bounce and the click in memory and writes them
            # when chromium closes, but loses what reached it in the last
            # second or so before: there is no sign to wait for (the file
            # does not change until the close), so this waits for time, and
            # FACTS_SQL checks that the row is there.
            time.sleep(5)
        finally:
            browser.close()
        splice_records(prefs, {k: v for k, v in SITE_RECORDS.items() if k in LATE})
        # A save-password prompt the user dismissed on the site: Login Data's
        # `stats` (the passwords themselves are `logins`). No headless page
        # can show the prompt. In chromium's own journal mode, which keeps
        # the (empty) journal it leaves.
        sqlite(os.path.join(data, "Default", "Login Data"),
               "PRAGMA journal_mode=TRUNCATE; INSERT INTO stats (origin_domain, username_value, dismissal_count, update_time) "
               "VALUES ('%s/', '%s', 1, %d);" % (store.base, T["CHROMIUM_LOGIN_USER"],
                                                 chromium_time()))
    finally:
        site.close()
        store.close()
    return data


def chromium_time():
    """Now, as chromium stores times: microseconds since 1601."""
    return int((time.time() + 11644473600) * 1000000)


def splice_records(prefs, records):
    """Puts one entry of each record (SITE_RECORDS) into the empty object
    chromium keeps for its type under profile.content_settings.exceptions,
    as chromium writes an entry, with no whitespace."""
    with open(prefs) as f:
        text = f.read()
    exceptions = text.index('"exceptions":{')
    for kind, (pattern, setting) in records.items():
        at = text.index('"%s":{}' % kind, exceptions) + len(kind) + 4
        entry = json.dumps({pattern + ",*": {"last_modified": str(chromium_time()),
                                             "setting": setting}}, separators=(",", ":"),
                           sort_keys=True)
        text = text[:at] + entry[1:-1] + text[at:]
    with open(prefs, "w") as f:
        f.write(text)


def store_tokens(browser, tokens):
    """Has the page put each token in its store (stores.js) and checks that
    each reads back (a service worker is listed by its script's address)."""
    found = browser.evaluate("twStore(%s)" % json.dumps(tokens))
    missing = [v for v in tokens.values() if v not in json.dumps(found)]
    if missing:
        raise RuntimeError("the page did not keep %s: it found %s" % (missing, found))
    return found


def store_site(browser, store, site, prefix):
    """Visits the stored-data site typed, clicks it (a user activation) and
    has its page put a token in every store; then, from a page of the other
    site, a link through the stored-data site's redirect, which sets a cookie
    on its way back (a bounce). Chromium writes both to DIPS when it closes.
    Firefox's temporary storage is no page's to choose (firefox_site_extras)."""
    browser.navigate(store.page, "typed")
    browser.click()
    store_tokens(browser, {k: v for k, v in site_tokens(prefix).items() if k != "TEMPORARY"})
    # A bounce is a site passed through between two pages of another site.
    browser.navigate(site.page("bounce-from"), "link")
    site.wait_icon("bounce-from")
    bounce = store.base + "/bounce?to=" + urllib.parse.quote(site.page("bounced"), safe="")
    browser.navigate(bounce, "link")
    site.wait_icon("bounced")


def make_firefox(work):
    site = drive.Site(T["FIREFOX_COOKIE_NAME"], T["FIREFOX_COOKIE_VALUE"],
                      T["FIREFOX_CACHED_URL"], T["FIREFOX_CACHED_BODY"], port=38518)
    FACTS["FIREFOX_ORIGIN"] = site.base
    store = drive.StoreSite(SITE_PORT["firefox"])
    FACTS["FIREFOX_SITE_ORIGIN"] = store.base
    FACTS["FIREFOX_SITE_FOLDER"] = "http+++%s+%d" % (store.HOST, SITE_PORT["firefox"])
    FACTS["FIREFOX_EXT_ID"] = FIREFOX_EXT_ID
    FACTS["FIREFOX_EXT_UUID"] = FIREFOX_EXT_UUID
    profile = os.path.join(MAKE_TMP, T["FIREFOX_PROFILE"])
    os.makedirs(profile)
    log = log_file(work, "firefox")
    try:
        browser = drive.Firefox(profile, log, ENV)
        try:
            browser.navigate(site.page(T["FIREFOX_VISITED"]))
            site.wait_icon(T["FIREFOX_VISITED"])
            browser.navigate(site.page(T["FIREFOX_BOOKMARKED"]))
            site.wait_icon(T["FIREFOX_BOOKMARKED"])
            browser.chrome("""
                const {PlacesUtils} = ChromeUtils.importESModule(
                    "resource://gre/modules/PlacesUtils.sys.mjs");
                await PlacesUtils.bookmarks.insert({parentGuid: PlacesUtils.bookmarks.toolbarGuid,
                                                    url: arguments[0], title: arguments[1]});
                """, [site.page(T["FIREFOX_BOOKMARKED"]), T["FIREFOX_BOOKMARK_TITLE"]])
            # Typed as a user types: into the address bar, then Enter. The
            # address bar marks the page typed and visits it with a TYPED
            # transition. Its input history (what was typed before picking a
            # result) is added by the address bar's own helper.
            browser.chrome("""
                const win = Services.wm.getMostRecentWindow("navigator:browser");
                win.gURLBar.focus();
                win.gURLBar.value = arguments[0];
                win.gURLBar.handleCommand();
                const {PlacesUtils} = ChromeUtils.importESModule(
                    "resource://gre/modules/PlacesUtils.sys.mjs");
                const {UrlbarUtils} = ChromeUtils.importESModule(
                    "moz-src:///browser/components/urlbar/UrlbarUtils.sys.mjs");
                const typed = async () => {
                  const page = await PlacesUtils.history.fetch(arguments[0], {includeVisits: true});
                  return page && page.visits.some(
                      v => v.transition == PlacesUtils.history.TRANSITIONS.TYPED);
                };
                for (let i = 0; i < 300 && !(await typed()); i++)
                  await new Promise(r => win.setTimeout(r, 100));
                if (!(await typed())) throw new Error("no typed visit was recorded");
                // It adds a row only for a page already in moz_places.
                await UrlbarUtils.addToInputHistory(arguments[0], arguments[1]);
                const {PlacesBackups} = ChromeUtils.importESModule(
                    "resource://gre/modules/PlacesBackups.sys.mjs");
                await PlacesBackups.create();
                """, [site.page(T["FIREFOX_TYPED"]), T["FIREFOX_INPUT"]])
            site.wait_icon(T["FIREFOX_TYPED"])
            # A download through Firefox's own downloads service, which
            # records it in history (a DOWNLOAD visit and its annotations).
            # The file goes to /tmp, so that its recorded path names no
            # folder of this machine's checkout; it is removed again.
            target = "/tmp/%s.bin" % T["FIREFOX_DOWNLOAD"]
            browser.chrome("""
                const {Downloads} = ChromeUtils.importESModule(
                    "resource://gre/modules/Downloads.sys.mjs");
                const list = await Downloads.getList(Downloads.PUBLIC);
                const download = await Downloads.createDownload(
                    {source: arguments[0], target: arguments[1]});
                await list.add(download);
                await download.start();
                """, [site.base + "/d/" + T["FIREFOX_DOWNLOAD"], target])
            os.remove(target)
            store_site(browser, store, site, "FIREFOX_SITE_")
            firefox_site_extras(browser, store)
            install_addon(browser)
            store_extension(browser, "moz-extension://%s/page.html" % FIREFOX_EXT_UUID,
                            "FIREFOX_EXT_")
            # The new tab page shows the top sites and has Firefox capture
            # their thumbnails (into the profile's thumbnails folder).
            browser.navigate("about:newtab")
            wait_for(lambda: os.listdir(os.path.join(profile, "thumbnails")), "a thumbnail")
        finally:
            browser.close()
        # A plain screenshot start, as a user's second start.
        subprocess.run(["firefox-esr", "--headless", "--no-remote", "--profile", profile,
                        "--screenshot", os.path.join(work, "firefox.png"),
                        site.page(T["FIREFOX_VISITED"])],
                       stdin=subprocess.DEVNULL, stdout=log, stderr=log, env=ENV, timeout=120,
                       check=True)
    finally:
        site.close()
        store.close()
    return profile


def store_extension(browser, page, prefix):
    """The extension's own page puts its tokens in every store it has.
    Chromium's extension registers its worker itself (the manifest's sw.js,
    whose script carries its token), which the page waits for."""
    browser.navigate(page, "typed")
    found = store_tokens(browser, {k: v for k, v in site_tokens(prefix).items()
                                   if k != "SERVICEWORKER"})
    if "SERVICEWORKER" in site_tokens(prefix) and not found["serviceWorker"]:
        raise RuntimeError("the extension's worker is not registered: %s" % found)


def firefox_site_extras(browser, store):
    """What no page of the site can make: the user gives the site a permission
    of their own (as the page info dialog does), and the site's origin gets
    temporary storage (storage/temporary). Firefox 153 no longer lets a page
    ask for it (indexedDB.open(name, {storage: "temporary"}) is gone), so
    Firefox's own SimpleDB, a chrome-only store, writes a file there named
    and filled with FIREFOX_SITE_TEMPORARY; its pref is cleared again."""
    browser.chrome("""
        const principal =
            Services.scriptSecurityManager.createContentPrincipalFromOrigin(arguments[0]);
        Services.perms.addFromPrincipal(principal, "desktop-notification",
                                        Services.perms.ALLOW_ACTION);
        const done = request => new Promise((resolve, reject) => {
          request.callback = () => request.resultCode == 0 ? resolve() : reject(request.resultName);
        });
        Services.prefs.setBoolPref("dom.simpleDB.enabled", true);
        const db = Cc["@mozilla.org/dom/sdb-connection;1"].createInstance(Ci.nsISDBConnection);
        db.init(principal, "temporary");
        await done(db.open(arguments[1]));
        await done(db.write(new TextEncoder().encode(arguments[1]).buffer));
        await done(db.close());
        Services.prefs.clearUserPref("dom.simpleDB.enabled");
        """, [store.base, T["FIREFOX_SITE_TEMPORARY"]])


def install_addon(browser):
    """Installs the extension for good, as from a file: Firefox copies the
    XPI into the profile's extensions folder. ESR runs an unsigned add-on once
    xpinstall.signatures.required is false; the pref stays in prefs.js, so
    later starts keep it enabled."""
    xpi = os.path.join(MAKE_TMP, "extension.xpi")
    with zipfile.ZipFile(xpi, "w") as z:
        for name in sorted(os.listdir(EXTENSION)):
            # A fixed date: the XPI Firefox keeps is the same every time.
            with open(os.path.join(EXTENSION, name), "rb") as f:
                z.writestr(zipfile.ZipInfo(name, (2024, 1, 1, 0, 0, 0)), f.read())
    browser.chrome("""
        Services.prefs.setBoolPref("xpinstall.signatures.required", false);
        const uuids = JSON.parse(
            Services.prefs.getStringPref("extensions.webextensions.uuids", "{}"));
        uuids[arguments[1]] = arguments[2];
        Services.prefs.setStringPref("extensions.webextensions.uuids", JSON.stringify(uuids));
        const {AddonManager} = ChromeUtils.importESModule(
            "resource://gre/modules/AddonManager.sys.mjs");
        const file = Cc["@mozilla.org/file/local;1"].createInstance(Ci.nsIFile);
        file.initWithPath(arguments[0]);
        const addon = await (await AddonManager.getInstallForFile(file)).install();
        if (!addon.isActive) throw new Error("the add-on was installed but is not active");
        """, [xpi, FIREFOX_EXT_ID, FIREFOX_EXT_UUID])


def remove(path):
    if os.path.islink(path) or os.path.isfile(path):
        os.remove(path)
    elif os.path.isdir(path):
        shutil.rmtree(path)


def is_sqlite(path):
    with open(path, "rb") as f:
        return f.read(16) == b"SQLite format 3\0"


def sqlite(db, sql):
    return subprocess.run(["sqlite3", db, sql], capture_output=True, text=True,
                          check=True).stdout.strip()


def compact(root):
    """Checkpoints and vacuums every database of a closed profile, so the data
    is small and all of it is in the main files. An empty -journal the
    browser left stays, as the browser left it; a WAL goes only after a clean
    checkpoint (SQLite removes it itself when the last connection closes)."""
    for folder, _, files in os.walk(root):
        for name in files:
            db = os.path.join(folder, name)
            if name.endswith(("-wal", "-shm", "-journal")) or os.path.islink(db) \
                    or not is_sqlite(db):
                continue
            journal = os.path.exists(db + "-journal") and os.stat(db + "-journal").st_mode
            busy = sqlite(db, "PRAGMA wal_checkpoint(TRUNCATE);").split("|")[0]
            if busy not in ("0", ""):
                raise RuntimeError("%s: checkpoint was blocked" % db)
            sqlite(db, "VACUUM; PRAGMA wal_checkpoint(TRUNCATE);")
            if sqlite(db, "PRAGMA integrity_check;") != "ok":
                raise RuntimeError("%s: not sound after VACUUM" % db)
            for ext in ("-wal", "-shm"):
                if os.path.exists(db + ext) and os.path.getsize(db + ext) == 0:
                    os.remove(db + ext)
            if journal and not os.path.exists(db + "-journal"):
                open(db + "-journal", "wb").close()
                os.chmod(db + "-journal", journal & 0o777)


def drop_links(root):
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            if os.path.islink(os.path.join(folder, name)):
                os.remove(os.path.join(folder, name))


def clean_chromium(data):
    for link in ("SingletonLock", "SingletonSocket", "SingletonCookie"):
        remove(os.path.join(data, link))
    for name in CHROMIUM_DROP:
        remove(os.path.join(data, name))
    drop_links(data)
    # LevelDB's text logs, which name the folder the profile was made in;
    # LevelDB starts them afresh at every open.
    for folder, _, files in os.walk(data):
        for name in files:
            if name in ("LOG", "LOG.old"):
                os.remove(os.path.join(folder, name))
    compact(data)
    network = os.path.join(data, "Default", "Network")
    os.makedirs(network, exist_ok=True)
    for name in CHROMIUM_NETWORK:
        if os.path.exists(os.path.join(data, "Default", name)):
            os.rename(os.path.join(data, "Default", name), os.path.join(network, name))


def clean_firefox(profile):
    for name in FIREFOX_DROP:
        remove(os.path.join(profile, name))
    # The lock Firefox holds while it runs is parent.lock on Windows, where it
    # stays (empty) after Firefox ends; Linux calls it .parentlock.
    os.replace(os.path.join(profile, ".parentlock"), os.path.join(profile, "parent.lock"))
    # The store of the profile group (toolkit.profiles.storeID, a random
    # 8-hex-digit name, 0.5 MB): a new name every run, made afresh when missing.
    for name in os.listdir(profile):
        if re.fullmatch(r"[0-9a-f]{8}\.sqlite(-wal|-shm)?", name):
            remove(os.path.join(profile, name))
    drop_links(profile)
    compact(profile)
    # Items below the six roots: Firefox's own default bookmarks and folder,
    # and the one the script made.
    FACTS["FIREFOX_BOOKMARK_ITEMS"] = sqlite(
        os.path.join(profile, "places.sqlite"),
        "SELECT count(*) FROM moz_bookmarks WHERE guid NOT IN ('root________', 'menu________',"
        " 'toolbar_____', 'tags________', 'unfiled_____', 'mobile______');")


def check_made(out):
    """Each token is in exactly the files WHERE names for it, searched as the
    tests search (search.py: ASCII, UTF-16, LevelDB blocks decompressed), and
    the browsers recorded what FACTS_SQL asks."""
    # The extension's checked-in source (its sw.js carries tokens) is not made data.
    source = {"extension/" + name for name in os.listdir(os.path.join(out, "extension"))}
    found = search.search(out, [TOKENS[key] for key in WHERE], skip={"tokens.txt"} | source)
    wrong = []
    for key, patterns in WHERE.items():
        files = found[TOKENS[key]]
        matched = all(any(fnmatch.fnmatch(f, p) for p in patterns) for f in files) and all(
            any(fnmatch.fnmatch(f, p) for f in files) for p in patterns)
        print("%-28s %s %s" % (key, "ok  " if matched else "MISPLACED", ", ".join(files)))
        if not matched:
            wrong.append(key)
    for db, query, answer in FACTS_SQL:
        got = sqlite(os.path.join(out, db), query)
        if got != answer:
            wrong.append("%s answers %r to %s" % (db, got, query))
    for prefs, kind, key in FACTS_PREFS:
        with open(os.path.join(out, prefs)) as f:
            if key not in json.load(f)["profile"]["content_settings"]["exceptions"][kind]:
                wrong.append("%s has no %s for %s" % (prefs, kind, key))
    for folder in ("bookmarkbackups", "thumbnails"):
        if not os.listdir(os.path.join(out, F, folder)):
            wrong.append("nothing in " + folder)
    if wrong:
        sys.exit("make_profiles: not as the tests expect (see WHERE, FACTS_SQL): %s. Run it "
                 "again, or update the tables and docs/browsers.md." % "; ".join(wrong))


def main():
    work, out = sys.argv[1], sys.argv[2]
    remove(work)
    os.makedirs(work)
    global ENV
    ENV = drive.scratch_env(os.path.join(work, "env"))
    remove(MAKE_TMP)
    os.makedirs(MAKE_TMP)
    chromium = make_chromium(work)
    firefox = make_firefox(work)
    clean_chromium(chromium)
    clean_firefox(firefox)
    # The extension's source stays: it is checked in, not made.
    for made in ("chromium", "firefox", "tokens.txt"):
        remove(os.path.join(out, made))
    os.makedirs(os.path.join(out, "chromium"))
    os.makedirs(os.path.join(out, "firefox"))
    shutil.copytree(chromium, os.path.join(out, "chromium", "User Data"), symlinks=True)
    shutil.copytree(firefox, os.path.join(out, "firefox", T["FIREFOX_PROFILE"]), symlinks=True)
    remove(MAKE_TMP)
    # Git keeps no empty folders: drop them here too, so that the data a
    # developer has is the data a clone gets.
    for folder, _, _ in sorted(os.walk(out), reverse=True):  # children first
        if not os.listdir(folder):
            os.rmdir(folder)
    check_made(out)
    with open(os.path.join(out, "tokens.txt"), "w") as f:
        f.write("# Strings the engine's tests search the profiles for; see docs/browsers.md.\n")
        for key, value in list(TOKENS.items()) + list(FACTS.items()):
            f.write("%s=%s\n" % (key, value))


if __name__ == "__main__":
    main()
