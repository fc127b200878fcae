// Placeholder: the skin picture class arrives with the skin.
