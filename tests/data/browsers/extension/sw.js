// The extension's own service worker (Chromium's; Firefox runs no extension
// worker and loads this as the background page, where no install event
// comes). Its script carries CHROMIUM_EXT_SERVICEWORKER and its install fills
// the cache CHROMIUM_EXT_SW_CACHE (tests/browsers/make_profiles.py).
"use strict";
const TOKEN = "twx-c-worker-6n3q", CACHE = "twx-c-workercache-2v8h";
self.addEventListener("install", event => event.waitUntil(caches.open(CACHE).then(
    cache => cache.put("https://tidewisp.invalid/worker/" + CACHE, new Response(CACHE)))));
