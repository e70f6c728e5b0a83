// The stored-data site's own script: twStore(tokens) puts one token in each
// web store the browser offers; twProbe() reads them all without storing
// anything and reports what it found, by store.
"use strict";

function idbPut(factory, name) {
  // The token names the database and its object store and is the value
  // itself: the browsers encode keys, but keep names readable.
  return new Promise((resolve, reject) => {
    const open = factory.open(name, 1);
    open.onupgradeneeded = () => open.result.createObjectStore(name);
    open.onerror = () => reject(open.error);
    open.onsuccess = () => {
      const db = open.result;
      const tx = db.transaction(name, "readwrite");
      tx.objectStore(name).put(name, "token");
      tx.oncomplete = () => { db.close(); resolve(); };
      tx.onerror = () => reject(tx.error);
    };
  });
}

async function twStore(t) {
  document.cookie = t.COOKIE + "=1; max-age=31536000; path=/; SameSite=Lax";
  localStorage.setItem(t.LOCALSTORAGE, t.LOCALSTORAGE);
  sessionStorage.setItem(t.SESSIONSTORAGE, t.SESSIONSTORAGE);
  await idbPut(indexedDB, t.INDEXEDDB);
  const cache = await caches.open(t.CACHE);
  await cache.put("/cached/" + t.CACHE, new Response(t.CACHE));
  // The worker's script carries its token, and its install handler fills a
  // cache of its own (sw.js).
  await navigator.serviceWorker.register(
      "/sw.js?" + new URLSearchParams({token: t.SERVICEWORKER, cache: t.SW_CACHE}));
  await navigator.serviceWorker.ready;
  if (t.OPFS && navigator.storage.getDirectory) {
    const root = await navigator.storage.getDirectory();
    const file = await root.getFileHandle(t.OPFS, {create: true});
    const out = await file.createWritable();
    await out.write(t.OPFS);
    await out.close();
  }
  if (t.BUCKET && navigator.storageBuckets) {
    const bucket = await navigator.storageBuckets.open(t.BUCKET);
    await idbPut(bucket.indexedDB, t.BUCKET);
  }
  return twProbe();
}

async function twProbe() {
  const found = {
    cookie: document.cookie.split("; ").filter(c => c).map(c => c.split("=")[0]),
    localStorage: Object.keys(localStorage),
    sessionStorage: Object.keys(sessionStorage),
    indexedDB: (await indexedDB.databases()).map(d => d.name),
    caches: await caches.keys(),
    serviceWorker: (await navigator.serviceWorker.getRegistrations())
        .map(r => (r.active || r.waiting || r.installing || {}).scriptURL),
  };
  if (navigator.storage.getDirectory) {
    found.opfs = [];
    for await (const name of (await navigator.storage.getDirectory()).keys())
      found.opfs.push(name);
  }
  if (navigator.storageBuckets) found.buckets = await navigator.storageBuckets.keys();
  return found;
}
