// playback
