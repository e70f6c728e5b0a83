// One token in every store a page can use, and a probe of them all: loaded
// by the stored-data site's page (served as /site.js) and by the test
// extension's own page. twStore(t) stores each token t names (a store whose
// token is not given is not used) and returns twProbe(); twProbe() reads every
// store without storing anything and reports what it found, by store.
"use strict";

// A page of the site, not the extension's: an extension keeps no cookie or
// file system here, and reading them would make it stores of its own
// (Extension Cookies, an empty file system), so its probe leaves them out.
const web = location.protocol.startsWith("http");

function request(r) {
  return new Promise((resolve, reject) => {
    r.onsuccess = () => resolve(r.result);
    r.onerror = () => reject(r.error);
  });
}

async function idbPut(factory, name, blob) {
  // The token names the database and its object store and is the value
  // itself: the browsers encode keys, but keep names readable. A Blob's
  // bytes they keep in a file of their own beside the database.
  const open = factory.open(name, 1);
  open.onupgradeneeded = () => open.result.createObjectStore(name);
  const db = await request(open);
  const tx = db.transaction(name, "readwrite");
  tx.objectStore(name).put(name, "token");
  if (blob) tx.objectStore(name).put(new Blob([blob]), "blob");
  await new Promise((resolve, reject) => {
    tx.oncomplete = resolve;
    tx.onerror = () => reject(tx.error);
  });
  db.close();
}

// The text of every Blob in the databases there are (none is made).
async function idbBlobs(factory) {
  const blobs = [];
  for (const {name} of await factory.databases()) {
    const db = await request(factory.open(name));
    for (const store of db.objectStoreNames)
      for (const value of await request(db.transaction(store).objectStore(store).getAll()))
        // A Blob whose file is gone is reported, not thrown: the probe goes on.
        if (value instanceof Blob) blobs.push(await value.text().catch(e => "lost: " + e.name));
    db.close();
  }
  return blobs;
}

async function twStore(t) {
  if (t.COOKIE) document.cookie = t.COOKIE + "=1; max-age=31536000; path=/; SameSite=Lax";
  if (t.LOCALSTORAGE) localStorage.setItem(t.LOCALSTORAGE, t.LOCALSTORAGE);
  if (t.SESSIONSTORAGE) sessionStorage.setItem(t.SESSIONSTORAGE, t.SESSIONSTORAGE);
  if (t.INDEXEDDB) await idbPut(indexedDB, t.INDEXEDDB, t.IDB_BLOB);
  if (t.CACHE) {
    // The Cache API takes only http(s) requests: an extension names one.
    const base = web ? location.origin : "https://tidewisp.invalid";
    await (await caches.open(t.CACHE)).put(base + "/cached/" + t.CACHE, new Response(t.CACHE));
  }
  // The site's worker: its script carries its token, and its install handler
  // fills a cache of its own (tests/browsers/site/sw.js). The extension's
  // registers itself (its manifest's background worker, sw.js here).
  if (t.SERVICEWORKER)
    await navigator.serviceWorker.register(
        "/sw.js?" + new URLSearchParams({token: t.SERVICEWORKER, cache: t.SW_CACHE}));
  if (t.SW_CACHE) await navigator.serviceWorker.ready;
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
    cookie: web ? document.cookie.split("; ").filter(c => c).map(c => c.split("=")[0]) : [],
    localStorage: Object.keys(localStorage),
    sessionStorage: Object.keys(sessionStorage),
    indexedDB: (await indexedDB.databases()).map(d => d.name),
    blobs: await idbBlobs(indexedDB),
    caches: await caches.keys(),
    serviceWorker: navigator.serviceWorker ?
        (await navigator.serviceWorker.getRegistrations())
            .map(r => (r.active || r.waiting || r.installing || {}).scriptURL) : [],
  };
  if (web && navigator.storage.getDirectory) {
    found.opfs = [];
    for await (const name of (await navigator.storage.getDirectory()).keys())
      found.opfs.push(name);
  }
  if (navigator.storageBuckets) found.buckets = await navigator.storageBuckets.keys();
  return found;
}
