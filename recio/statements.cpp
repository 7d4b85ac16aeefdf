#include "recio/statements.h"

#include <algorithm>
#include <limits>

#include "recio/connect.h"
#include "recio/disconnect.h"
#include "recio/reader/read_statement.h"
#include "recio/writer/write_statement.h"

namespace recio {
namespace {

void prepare(IoControl& control, std::int32_t unit, Handling handling) {
  prepareStatement(control, unit);
  control.options.handlesErrors = handling.errors;
  control.options.handlesEndOfFile = handling.endOfFile;
}

void describeItems(IoControl& control, ItemType type, std::size_t size) {
  control.item.type = type;
  control.item.size = size;
}

// The label of a free-form line; the rest of the statement follows.
IoStatus beginLine(IoControl& control, std::int32_t unit, std::string_view label) {
  prepare(control, unit, {});
  control.options.freeForm = true;
  IoStatus status = beginWrite(control);
  if (status != IoStatus::Ok) return status;
  describeItems(control, ItemType::Character, label.size());
  return writeItem(control, label.data());
}

// The statement has handled nothing: any failure ended the run, every call
// that came back gave Ok. The items lie one after the other, so one item
// call takes them all (each laid out as an item of its own).
void writeAndEnd(IoControl& control, const void* items, std::size_t count, ItemType type, std::size_t size) {
  describeItems(control, type, size);
  const char* next = static_cast<const char*>(items);
  for (std::size_t left = count; left != 0;) {
    const std::size_t taken = std::min<std::size_t>(left, std::numeric_limits<std::int32_t>::max());
    control.item.count = static_cast<std::int32_t>(taken);
    (void)writeItem(control, next);
    next += taken * size;
    left -= taken;
  }
  (void)endWrite(control);
}

template <typename Number>
ReadOutcome read(IoControl& control, std::int32_t unit, std::span<Number> items, Handling handling, ItemType type) {
  prepareRead(control, unit, type, handling);
  ReadOutcome outcome{beginRead(control), 0, 0};
  for (Number& item : items) {
    if (outcome.status != IoStatus::Ok) return outcome;
    outcome.status = readItem(control, &item);
    if (outcome.status != IoStatus::Ok) return outcome;
    outcome.transferred += 1;
    if (itemAssigned(control) && outcome.transferred <= 64) {
      outcome.assigned |= std::uint64_t{1} << (outcome.transferred - 1);
    }
  }
  if (outcome.status == IoStatus::Ok) outcome.status = endRead(control);
  return outcome;
}

}  // namespace

void prepareRead(IoControl& control, std::int32_t unit, ItemType type, Handling handling) {
  prepare(control, unit, handling);
  control.options.freeForm = true;
  describeItems(control, type, type == ItemType::Integer32 ? sizeof(std::int32_t) : sizeof(double));
}

IoStatus connectUnit(IoControl& control, std::int32_t unit, std::string_view name, std::string_view status,
                     Handling handling) {
  prepare(control, unit, handling);
  control.options.fileNameGiven = true;
  control.options.statusGiven = true;
  control.fileName = name.data();
  control.fileNameLength = name.size();
  control.statusText = status.data();
  control.statusTextLength = status.size();
  return openUnit(control);
}

IoStatus disconnectUnit(IoControl& control, std::int32_t unit, Handling handling) {
  prepare(control, unit, handling);
  return closeUnit(control);
}

void connectUnit(IoControl& control, std::int32_t unit, std::string_view name, std::string_view status) {
  (void)connectUnit(control, unit, name, status, Handling{});
}

void disconnectUnit(IoControl& control, std::int32_t unit) { (void)disconnectUnit(control, unit, Handling{}); }

void writeLine(IoControl& control, std::int32_t unit, std::string_view label) {
  (void)beginLine(control, unit, label);
  (void)endWrite(control);
}

void writeLine(IoControl& control, std::int32_t unit, std::string_view label, std::int32_t number) {
  (void)beginLine(control, unit, label);
  writeAndEnd(control, &number, 1, ItemType::Integer32, sizeof number);
}

void writeLine(IoControl& control, std::int32_t unit, std::string_view label, std::span<const double> numbers) {
  (void)beginLine(control, unit, label);
  writeAndEnd(control, numbers.data(), numbers.size(), ItemType::Real64, sizeof(double));
}

void writeFormatted(IoControl& control, std::int32_t unit, const std::uint8_t* format,
                    std::span<const double> numbers) {
  prepare(control, unit, {});
  control.options.formatted = true;
  control.format = format;
  (void)beginWrite(control);
  writeAndEnd(control, numbers.data(), numbers.size(), ItemType::Real64, sizeof(double));
}

ReadOutcome readValues(IoControl& control, std::int32_t unit, std::span<double> items, Handling handling) {
  return read(control, unit, items, handling, ItemType::Real64);
}

ReadOutcome readValues(IoControl& control, std::int32_t unit, std::span<std::int32_t> items, Handling handling) {
  return read(control, unit, items, handling, ItemType::Integer32);
}

}  // namespace recio
