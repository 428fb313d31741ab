#pragma once

#include "foundation/dbtl/rcptr.h"

namespace dbtl {

// One node of a DList: strong links to both neighbours and the bare words of one element.
// The list manages the node's reference to its element (Insert adds it, Erase drops it); the
// node's destructor only lets go of its links.
struct DNode {
  rcptr<DNode> next;
  rcptr<DNode> prev;
  DRefCount* elementCount = nullptr;
  void* elementObject = nullptr;
  // True while the node stands in a list (the sentinel included); Erase clears it, so a second
  // Erase of the same node through another iterator changes nothing.
  bool linked = false;
  // Used only while nodes are torn down: a chain of nodes whose last reference is being
  // dropped, so that a long run of erased nodes dies in a loop instead of by recursion.
  rcptr<DNode> dying;

  DNode() = default;
  DNode(const DNode&) = delete;
  DNode& operator=(const DNode&) = delete;
  ~DNode();
};

}  // namespace dbtl
