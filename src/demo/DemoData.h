#pragma once

class Store;

// Reproducible sample appointments for an empty installation (screenshots, self-check).
namespace DemoData {

// Adds sample appointments to the week of store.anchor() for every dentist, through Store::save only,
// so every one obeys the booking rules. Returns how many were stored (0 on a second run).
int seed(Store& store);

} // namespace DemoData
