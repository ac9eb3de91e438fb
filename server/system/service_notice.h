#pragma once
// Tells the service manager how the server is doing (a unit of
// Type=notify waits for "ready"). Does nothing when not started by one.
namespace brevolt::signup {

// The listener is bound: clients may connect.
void notify_ready();
// The server has begun to stop.
void notify_stopping();

}  // namespace brevolt::signup
