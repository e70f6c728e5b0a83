// The stored-data site's service worker. Its address carries its token
// (?token=...) and the name of the cache its install fills (&cache=...);
// the server writes both in here too, so its script cache holds them.
"use strict";
const TOKEN = "%(token)s", CACHE = "%(cache)s";
self.addEventListener("install", event => event.waitUntil(
    caches.open(CACHE).then(cache => cache.put("/sw-cached/" + CACHE, new Response(CACHE)))));
self.addEventListener("activate", event => event.waitUntil(self.clients.claim()));
