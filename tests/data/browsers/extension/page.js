// The extension's own page: twStore(token) keeps the token in this origin's
// localStorage and IndexedDB (as the database's and object store's names and
// as the value); twProbe() reports what it finds there, storing nothing.
"use strict";

async function twStore(local, idb) {
  localStorage.setItem(local, local);
  await new Promise((resolve, reject) => {
    const open = indexedDB.open(idb, 1);
    open.onupgradeneeded = () => open.result.createObjectStore(idb);
    open.onerror = () => reject(open.error);
    open.onsuccess = () => {
      const tx = open.result.transaction(idb, "readwrite");
      tx.objectStore(idb).put(idb, "token");
      tx.oncomplete = () => { open.result.close(); resolve(); };
      tx.onerror = () => reject(tx.error);
    };
  });
  return twProbe();
}

async function twProbe() {
  return {localStorage: Object.keys(localStorage),
          indexedDB: (await indexedDB.databases()).map(d => d.name)};
}
