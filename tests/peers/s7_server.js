// The snap7 S7 server used as a real controller by the transport tests and benchmark.
// Usage: node s7_server.js [address]  (default 0.0.0.0, port 102). Prints "ready" once listening;
// stops cleanly on SIGTERM or when stdin closes.
'use strict';
const snap7 = require('node-snap7');

const server = new snap7.S7Server();
const areas = {
  db1: Buffer.alloc(256),
  db10: Buffer.alloc(256),
  mk: Buffer.alloc(256),
  pe: Buffer.alloc(256),
  pa: Buffer.alloc(256),
};
// Known contents so reads can be checked without a prior write.
for (let i = 0; i < 256; ++i) {
  areas.db10[i] = i;
  areas.pe[i] = 255 - i;
}
server.RegisterArea(server.srvAreaDB, 1, areas.db1);
server.RegisterArea(server.srvAreaDB, 10, areas.db10);
server.RegisterArea(server.srvAreaMK, areas.mk);
server.RegisterArea(server.srvAreaPE, areas.pe);
server.RegisterArea(server.srvAreaPA, areas.pa);

const address = process.argv[2] || '0.0.0.0';
server.StartTo(address, (err) => {
  if (err) {
    console.error('start failed: ' + server.ErrorText(err));
    process.exit(1);
  }
  console.log('ready');
});

function stop() {
  server.Stop(() => process.exit(0));
}
process.on('SIGTERM', stop);
process.on('SIGINT', stop);
process.stdin.on('end', stop);
process.stdin.resume();
