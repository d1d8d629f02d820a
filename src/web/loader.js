// The web player's loader: fetches the files of the demo that the page
// publishes (listed in demo-files.txt) into the player's file system, then
// starts the player (quadrelume.js), and shows what the player tells: its
// state, as the body's data-state (data-time: the demo time of the frame
// shown, data-frames: the frames drawn; the performance mark
// quadrelume-first-frame: when the first was), and plain messages on the
// page when something fails.
(function () {
  'use strict';

  var body = document.body;

  function showMessage(text) {
    var message = document.getElementById('message');
    message.textContent = text;
    message.hidden = false;
    body.dataset.state = 'failed';
  }

  if (location.protocol === 'file:') {
    showMessage('This page loads its files from a web server. Serve its folder, for example with ' +
                '"python3 -m http.server" in it, and open the address the server gives.');
    return;
  }
  if (typeof WebAssembly !== 'object' || typeof fetch !== 'function') {
    showMessage('This browser cannot play the demo: it has no WebAssembly.');
    return;
  }

  // A link to another moment of the same page starts it there.
  window.addEventListener('hashchange', function () { location.reload(); });

  function fetchBytes(url) {
    return fetch(url).then(function (response) {
      if (!response.ok) {
        throw new Error('Could not load ' + decodeURI(url) + ' from the host: ' + response.status + ' ' +
                        response.statusText);
      }
      return response.arrayBuffer();
    }, function () {
      throw new Error('Could not load ' + decodeURI(url) + ': the host does not answer.');
    });
  }

  // Each of the demo's files into /demo, in its folder there.
  function loadDemo(FS) {
    return fetchBytes('demo-files.txt').then(function (list) {
      var names = new TextDecoder().decode(list).split('\n').filter(function (name) { return name !== ''; });
      FS.mkdir('/demo');
      return Promise.all(names.map(function (name) {
        var url = 'demo/' + name.split('/').map(encodeURIComponent).join('/');
        return fetchBytes(url).then(function (bytes) {
          var parts = name.split('/');
          for (var i = 1, folder = '/demo'; i < parts.length; i++) {
            folder += '/' + parts[i - 1];
            if (!FS.analyzePath(folder).exists) FS.mkdir(folder);
          }
          FS.writeFile('/demo/' + name, new Uint8Array(bytes));
        });
      }));
    }).then(function () { FS.chdir('/demo'); });
  }

  window.Module = {
    canvas: document.getElementById('canvas'),
    showMessage: showMessage,
    setState: function (state, time, frames) {
      if (body.dataset.state === 'failed') return;
      // When the first frame was drawn, for whoever measures the page.
      if (!body.dataset.frames) performance.mark('quadrelume-first-frame');
      body.dataset.state = state;
      body.dataset.time = String(time);
      body.dataset.frames = String(frames);
    },
    print: function (text) { console.log(text); },
    printErr: function (text) { console.warn(text); },
    onAbort: function (what) { showMessage('The demo stopped: ' + what); },
    preRun: [function () {
      Module.addRunDependency('demo files');
      loadDemo(Module.FS).then(function () {
        Module.removeRunDependency('demo files');
      }, function (error) {
        showMessage(error.message);
      });
    }],
  };
  window.addEventListener('error', function (event) { showMessage('The demo stopped: ' + event.message); });

  var player = document.createElement('script');
  player.src = 'quadrelume.js';
  player.onerror = function () { showMessage('Could not load quadrelume.js from the host.'); };
  body.appendChild(player);
})();
