// The browser's side of the web platform layer (page.cpp, web_audio.cpp),
// linked into the web player with --js-library. What the page does with a
// message or a state is the page's own affair (Module.showMessage and
// Module.setState, from loader.js).

mergeInto(LibraryManager.library, {
  quadrelume_page_message: function (text) {
    var message = UTF8ToString(text);
    if (Module['showMessage']) Module['showMessage'](message);
    else console.error(message);
  },

  quadrelume_page_state: function (state, shownTime, framesDrawn) {
    if (Module['setState']) Module['setState'](UTF8ToString(state), shownTime, framesDrawn);
  },

  quadrelume_page_fragment: function () {
    var fragment = location.hash.replace(/^#/, '');
    try {
      fragment = decodeURIComponent(fragment);
    } catch (e) {
      // A malformed escape: the fragment as it is.
    }
    return allocateUTF8(fragment);
  },

  quadrelume_page_toggle_full_screen: function () {
    var page = document;
    if (page.fullscreenElement || page.webkitFullscreenElement) {
      (page.exitFullscreen || page.webkitExitFullscreen).call(page);
      return;
    }
    var root = page.documentElement;
    var request = root.requestFullscreen || root.webkitRequestFullscreen;
    if (!request) return;
    var asked = request.call(root);
    // A refusal (no gesture, a frame that does not allow it) leaves the page as it is.
    if (asked && asked.catch) asked.catch(function () {});
  },

  // The music: one AudioBuffer, played by a new source node from wherever
  // the demo's clock asks. Module.audio lets the page (and the tests) see it.
  $quadrelumeAudio: {context: null, buffer: null, source: null},

  quadrelume_audio_load__deps: ['$quadrelumeAudio'],
  quadrelume_audio_load: function (samples, frames, rate) {
    var ContextClass = window.AudioContext || window.webkitAudioContext;
    if (!ContextClass) return 0;
    var audio = quadrelumeAudio;
    // Made now, it stays suspended until a gesture resumes it.
    audio.context = new ContextClass();
    audio.buffer = audio.context.createBuffer(2, frames, rate);
    var left = audio.buffer.getChannelData(0);
    var right = audio.buffer.getChannelData(1);
    var at = samples >> 1;
    for (var i = 0; i < frames; i++, at += 2) {
      left[i] = HEAP16[at] / 32768;
      right[i] = HEAP16[at + 1] / 32768;
    }
    Module['audio'] = audio;
    return 1;
  },

  quadrelume_audio_play__deps: ['$quadrelumeAudio', 'quadrelume_audio_stop'],
  quadrelume_audio_play: function (seconds) {
    var audio = quadrelumeAudio;
    if (audio.context.state !== 'running') audio.context.resume();
    _quadrelume_audio_stop();
    if (seconds < audio.buffer.duration) {
      var source = audio.context.createBufferSource();
      source.buffer = audio.buffer;
      source.connect(audio.context.destination);
      source.start(0, Math.max(0, seconds));
      audio.source = source;
    }
    return audio.context.currentTime;
  },

  quadrelume_audio_stop__deps: ['$quadrelumeAudio'],
  quadrelume_audio_stop: function () {
    var audio = quadrelumeAudio;
    if (!audio.source) return;
    audio.source.stop();
    audio.source.disconnect();
    audio.source = null;
  },

  quadrelume_audio_time__deps: ['$quadrelumeAudio'],
  quadrelume_audio_time: function () {
    return quadrelumeAudio.context.currentTime;
  },
});
