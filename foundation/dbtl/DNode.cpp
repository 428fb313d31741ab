#include "foundation/dbtl/DNode.h"

namespace dbtl {

namespace {

// Moves a link onto the chain of nodes to dismantle when it holds the node's last reference;
// otherwise just drops the reference.
void dropLink(rcptr<DNode>& link, rcptr<DNode>& chain) {
  if (link.UseCount() == 1) {
    link->dying = std::move(chain);
    chain = std::move(link);
  } else {
    link.Reset();
  }
}

}  // namespace

// An erased node keeps its links (Next from it still works), and a node erased after it may be
// kept alive only by that link: holding an iterator while a whole list is cleared leaves a
// chain as long as the list. Dropping the chain recursively would run one destructor inside
// the other for every node and can exhaust the stack, so the nodes are taken apart in a loop.
DNode::~DNode() {
  rcptr<DNode> chain;
  dropLink(prev, chain);
  dropLink(next, chain);
  while (chain) {
    rcptr<DNode> node = std::move(chain);
    chain = std::move(node->dying);
    dropLink(node->prev, chain);
    dropLink(node->next, chain);
    // node now holds no links, so its own destructor has nothing left to do.
  }
}

}  // namespace dbtl
