"""Counts what each browser's own clearing leaves of the stored-data site,
beside what Tidewisp leaves.

Usage: side_by_side.py SCRATCH PRISTINE [-v] [--settle=SECONDS] [CASE...]
SCRATCH (under build/) is emptied; PRISTINE is tests/data/browsers. On a copy
of each pristine profile the browser itself clears cookies and site data,
cache, and history with downloads, for all time:
- chromium: chrome.browsingData.remove() from the page of a test extension
  (tests/browsers/clear-extension, with the browsingData permission);
- Firefox: its sanitizer's items cookiesAndStorage, cache and
  browsingHistoryAndDownloads, over Marionette (the items of its "Clear
  browsing data" dialog; not clear-everything, which also drops the site
  settings Tidewisp keeps).
Each CASE is a folder a Tidewisp run cleaned (chromium/User Data,
firefox/<profile>), such as build/wine/prefix/drive_c/tw-cleaned/all.

The browser is closed as soon as its clearing reports done, as a user who
clears and quits; --settle=SECONDS keeps it open that long first. Both
browsers finish some of it in the background (see docs/browsers.md), so the
counts depend on it.

For each it counts, with search.py, the files that still name the site (its
host, or Firefox's reversed host, in their bytes or their path) and those
that still hold its data (a token of one of its stores), and prints a table;
-v lists the files. Saved tabs (chromium's Sessions, Firefox's sessionstore)
are not counted: every box leaves them. In a chromium User Data folder only
Default is counted (the engine's tests add a copy of it as Profile 1).
"""
import json
import os
import shutil
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import drive  # noqa: E402
import search  # noqa: E402
from make_profiles import TOKENS, chromium_extension_id  # noqa: E402
from reopen_check import boxes_of, linux_layout  # noqa: E402

CLEAR_EXTENSION = os.path.join(os.path.dirname(os.path.abspath(__file__)), "clear-extension")
# The data types of chromium's "Cookies and other site data", "Cached images
# and files" and "Browsing history" with "Download history".
CHROMIUM_CLEAR = ["cookies", "localStorage", "indexedDB", "cacheStorage", "serviceWorkers",
                  "fileSystems", "webSQL", "cache", "history", "downloads"]
FIREFOX_CLEAR = ["cookiesAndStorage", "cache", "browsingHistoryAndDownloads"]


def tokens(pristine):
    with open(os.path.join(pristine, "tokens.txt")) as f:
        return dict(line.strip().split("=", 1) for line in f if "=" in line and line[0] != "#")


def count(root, naming, data, skip_profiles=False):
    """(files naming the site, files holding its data) below root."""
    skip = set()
    for folder, _, files in os.walk(root):
        for name in files:
            rel = os.path.relpath(os.path.join(folder, name), root)
            top = rel.split(os.sep)[0]
            if (rel.startswith("Sessions" + os.sep) or "sessionstore" in rel or
                    (skip_profiles and top != "Default" and
                     os.path.isfile(os.path.join(root, top, "Preferences")))):
                skip.add(rel)
    found = search.search(root, naming + data, skip)
    named = sorted(set(sum((found[n] for n in naming), [])))
    held = sorted(set(sum((found[d] for d in data), [])))
    return named, held


def chromium_own(user_data, scratch, env, settle):
    extension = os.path.join(scratch, "clear-extension")
    shutil.copytree(CLEAR_EXTENSION, extension)
    with open(os.path.join(scratch, "chromium.log"), "a") as log:
        browser = drive.Chromium(user_data, log, env, extensions=[extension])
        try:
            browser.attach()
            browser.navigate("chrome-extension://%s/page.html"
                             % chromium_extension_id(extension), "typed")
            browser.evaluate("chrome.browsingData.remove({since: 0}, %s)"
                             % json.dumps({kind: True for kind in CHROMIUM_CLEAR}))
            time.sleep(settle)
        finally:
            browser.close()


def firefox_own(profile, scratch, env, settle):
    with open(os.path.join(scratch, "firefox.log"), "a") as log:
        browser = drive.Firefox(profile, log, env)
        try:
            browser.chrome("""
                const {Sanitizer} = ChromeUtils.importESModule(
                    "resource:///modules/Sanitizer.sys.mjs");
                await Sanitizer.sanitize(arguments[0], {ignoreTimespan: true});
                """, [FIREFOX_CLEAR])
            time.sleep(settle)
        finally:
            browser.close()


def main():
    args = [a for a in sys.argv[1:] if a != "-v" and not a.startswith("--settle=")]
    verbose = "-v" in sys.argv[1:]
    settle = sum(float(a[9:]) for a in sys.argv[1:] if a.startswith("--settle="))
    scratch, pristine, cases = os.path.abspath(args[0]), args[1], args[2:]
    if os.path.exists(scratch):
        shutil.rmtree(scratch)
    env = drive.scratch_env(os.path.join(scratch, "env"))
    known = tokens(pristine)
    naming = [known["SITE_HOST"], known["SITE_REVERSED_HOST"]]
    rows = []
    for browser, prefix in (("chromium", "CHROMIUM_SITE_"), ("firefox", "FIREFOX_SITE_")):
        data = [v for k, v in known.items()
                if k.startswith(prefix) and v.startswith(("twc-", "twf-"))]
        source = os.path.join(pristine, browser, "User Data" if browser == "chromium"
                              else TOKENS["FIREFOX_PROFILE"])
        copy = os.path.join(scratch, browser, os.path.basename(source))
        shutil.copytree(source, copy)
        if browser == "chromium":
            rows.append(("Chromium, as made", count(source, naming, data)))
            linux_layout(os.path.join(copy, "Default"))
            chromium_own(copy, scratch, env, settle)
            rows.append(("Chromium's own (chrome.browsingData.remove)",
                         count(copy, naming, data)))
        else:
            os.replace(os.path.join(copy, "parent.lock"), os.path.join(copy, ".parentlock"))
            rows.append(("Firefox, as made", count(source, naming, data)))
            firefox_own(copy, scratch, env, settle)
            rows.append(("Firefox's own (sanitizer: %s)" % ", ".join(FIREFOX_CLEAR),
                         count(copy, naming, data)))
        for case in cases:
            ran = ", ".join(boxes_of(case) or ["?"])
            if browser == "chromium":
                counted = count(os.path.join(case, "chromium", "User Data"), naming, data, True)
            else:
                counted = count(os.path.join(case, "firefox", TOKENS["FIREFOX_PROFILE"]),
                                naming, data)
            rows.append(("Tidewisp, %s profile (%s: %s)" % (
                browser.capitalize(), os.path.basename(os.path.normpath(case)), ran), counted))
    print("| | files still naming the site | files still holding its data |")
    print("|---|---|---|")
    for name, (named, held) in rows:
        print("| %s | %d | %d |" % (name, len(named), len(held)))
    if verbose:
        for name, (named, held) in rows:
            print("\n%s\n  naming the site:\n    %s\n  holding its data:\n    %s" % (
                name, "\n    ".join(named) or "-", "\n    ".join(held) or "-"))


if __name__ == "__main__":
    main()
