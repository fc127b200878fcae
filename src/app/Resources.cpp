// Placeholder: resource access arrives with the generated resources.
