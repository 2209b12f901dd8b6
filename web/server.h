// The live web view: with WebPort= set, a thread of the driver's own serves
// the display over HTTP. The host's thread starts and stops it and hands it
// each new frame; the server thread sees nothing but what is handed over.
#pragma once

// Opens the listening socket on WebAddress:WebPort and starts the thread;
// a failure is logged and the display works without the view. Nothing
// happens with WebPort=0.
void StartWebView();

// Tells the thread to stop, waits for it at most a second and closes the
// listening socket.
void StopWebView();

// After a refresh: the frame, rows, cursor and size, and the picture while
// someone watches, for the server thread; the errors it met, logged; and
// after a live save that changed the view's settings, the view restarted.
void PublishWebView(bool repainted);
