#pragma once
#include <cstdint>
#include <string>

// What the heroine and the product rules ask of a visitor or a worker. Visitors and workers
// are board items that also carry this interface; the item's code is what a visitor wants or
// what a worker has made.
class CafeActor {
 public:
  virtual ~CafeActor() = default;
  virtual bool IsVisitor() const = 0;
  // A visitor: 1 waiting for an order. A worker: its work state, 1 broken.
  virtual int32_t GetActorState() const = 0;
  // A worker's own product (a join of its code with it finishes the order); "" for a visitor.
  virtual std::string GetProduct() const { return std::string(); }
  // A visitor takes the code (or the second code); never for an empty code.
  virtual bool WantsProduct(const std::string& /*code*/, const std::string& /*second*/) { return false; }
};
